#pragma once
// One programme (service) of the multiplex, as PAT, PMT, SDT and EIT describe it.
constexpr unsigned short DVB_NO_PID = 0xFFFF;

class CDVBProgram
{
public:
    explicit CDVBProgram(unsigned short programNumber);
    virtual ~CDVBProgram() = default;
    CDVBProgram(const CDVBProgram&) = delete;
    CDVBProgram& operator=(const CDVBProgram&) = delete;

    unsigned short GetProgramNumber() const { return m_programNumber; }
    unsigned short GetPCRPID() const { return m_pcrPID; }
    void SetPCRPID(unsigned short pid) { m_pcrPID = pid; }

private:
    unsigned short m_programNumber;
    unsigned short m_pcrPID = DVB_NO_PID;
};
