#pragma once
// One elementary stream of a programme as offered to the decoder plug-ins,
// which decide from its description whether they can decode it.
#include "platform/CString.h"

class CDVBComponentDefinition
{
public:
    CDVBComponentDefinition() = default;
    CDVBComponentDefinition(const CDVBComponentDefinition&) = default;
    CDVBComponentDefinition& operator=(const CDVBComponentDefinition&) = default;
    // Copies the given definition; a null pointer gives the defaults.
    explicit CDVBComponentDefinition(CDVBComponentDefinition* other);
    virtual ~CDVBComponentDefinition() = default;

    // Copies all four fields; a null pointer changes nothing.
    void CopyFrom(CDVBComponentDefinition* other);

    unsigned short GetPID() const { return m_pid; }
    void SetPID(unsigned short pid) { m_pid = pid; }
    unsigned short GetProgramNumber() const { return m_programNumber; }
    void SetProgramNumber(unsigned short programNumber) { m_programNumber = programNumber; }
    // The programme element's description, such as "video", "audio" or "subtitles".
    const CString& GetDescription() const { return m_description; }
    void SetDescription(const CString& description) { m_description = description; }
    // Position of the component in the application's component list.
    int GetIndex() const { return m_index; }
    void SetIndex(int index) { m_index = index; }

private:
    unsigned short m_pid = 0xFFFF;
    unsigned short m_programNumber = 0xFFFF;
    CString m_description;
    int m_index = 0;
};
