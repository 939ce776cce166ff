#pragma once
// Puts the PSI/SI sections of one PID back together from its transport
// packets, following pointer fields and sections packed back to back. It
// checks nothing but the length: the caller decides what a whole section is
// worth.
#include <functional>
#include <memory>

// A section_length of 12 bits describes at most 4,098 bytes in all.
constexpr unsigned long DVB_SECTION_BUFFER_SIZE = 0x1003;

class CDVBSectionAssembler
{
public:
    // onComplete is called for each whole section, which GetSection holds
    // during the call; onAborted when a section is cut short by the next one.
    CDVBSectionAssembler(std::function<void()> onComplete, std::function<void()> onAborted);
    CDVBSectionAssembler(const CDVBSectionAssembler&) = delete;
    CDVBSectionAssembler& operator=(const CDVBSectionAssembler&) = delete;

    void OnReceivePacket(unsigned char* packet);
    // Forgets the section being assembled.
    void Reset();
    const unsigned char* GetSection() const { return m_buffer.get(); }
    // The whole section's size, header included.
    unsigned long GetSectionSize() const { return m_expected; }

private:
    void Append(const unsigned char* data, unsigned long count, bool startNew);
    unsigned long Collect(const unsigned char* data, unsigned long count, bool startNew);

    std::unique_ptr<unsigned char[]> m_buffer;
    unsigned long m_collected = 0;
    bool m_headerKnown = false;
    unsigned long m_expected = 0;
    std::function<void()> m_onComplete;
    std::function<void()> m_onAborted;
};
