#pragma once
// The PCM of one decoded frame and the programme-clock time it is to be heard.
#include <cstdint>
#include <vector>

class CDVBWaveOutput;

class CDVBWaveBuffer
{
public:
    // The largest frame: 1152 samples of two channels at 32 bits.
    static constexpr unsigned long kCapacity = 1152 * 2 * 4;

    CDVBWaveBuffer()
        : m_data(kCapacity)
    {
    }
    virtual ~CDVBWaveBuffer() = default;
    CDVBWaveBuffer(const CDVBWaveBuffer&) = delete;
    CDVBWaveBuffer& operator=(const CDVBWaveBuffer&) = delete;

    unsigned char* GetData() { return m_data.data(); }
    unsigned long GetFill() const { return m_fill; }
    void SetFill(unsigned long fill) { m_fill = fill; }
    int64_t GetTime() const { return m_time; }
    void SetTime(int64_t time) { m_time = time; }
    CDVBWaveOutput* GetOwner() const { return m_owner; }
    void SetOwner(CDVBWaveOutput* owner) { m_owner = owner; }

private:
    CDVBWaveOutput* m_owner = nullptr;
    std::vector<unsigned char> m_data;
    unsigned long m_fill = 0;
    int64_t m_time = 0;
};
