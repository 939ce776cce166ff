#include "si/DVBSectionAssembler.h"

#include "stream/DVBPIDReceiver.h"

#include <algorithm>
#include <cstring>

CDVBSectionAssembler::CDVBSectionAssembler(std::function<void()> onComplete, std::function<void()> onAborted)
    : m_buffer(new unsigned char[DVB_SECTION_BUFFER_SIZE])
    , m_onComplete(std::move(onComplete))
    , m_onAborted(std::move(onAborted))
{
}

void CDVBSectionAssembler::Reset()
{
    m_collected = 0;
    m_headerKnown = false;
}

void CDVBSectionAssembler::OnReceivePacket(unsigned char* packet)
{
    unsigned char* payload = nullptr;
    unsigned long size = 0;
    if (!CDVBPIDReceiver::GetPacketPayload(packet, payload, size) || size == 0)
        return;
    if (!CDVBPIDReceiver::IsPayloadUnitStart(packet)) {
        Append(payload, size, false);
        return;
    }
    const unsigned long pointer = payload[0];
    const unsigned char* rest = payload + 1;
    const unsigned long length = size - 1;
    if (length == 0)
        return;
    if (pointer == 0) {
        Append(rest, length, true);
    } else if (pointer < length) {
        Append(rest, pointer, false);
        Append(rest + pointer, length - pointer, true);
    } else {
        Append(rest, length, false);
    }
}

void CDVBSectionAssembler::Append(const unsigned char* data, unsigned long count, bool startNew)
{
    for (;;) {
        const unsigned long used = Collect(data, count, startNew);
        // Further sections may be packed straight after one that began in this
        // payload; a table id of 0xFF means the rest is stuffing. Bytes after a
        // section that began in an earlier packet can only be stuffing, since a
        // new section there would have needed a unit start.
        if (!startNew || used == 0 || used >= count || data[used] == 0xFF)
            return;
        data += used;
        count -= used;
    }
}

// Adds bytes to the section being assembled; returns how far into the data a
// section completed by them ended, or 0 when none did.
unsigned long CDVBSectionAssembler::Collect(const unsigned char* data, unsigned long count, bool startNew)
{
    if (startNew && m_collected != 0) {
        m_onAborted();
        Reset();
    }
    const unsigned long before = m_collected;
    const unsigned long copied = std::min(count, DVB_SECTION_BUFFER_SIZE - m_collected);
    if (copied == 0)
        return 0;
    std::memcpy(m_buffer.get() + m_collected, data, copied);
    m_collected += copied;
    if (!m_headerKnown && m_collected >= 3) {
        m_expected = (((m_buffer[1] & 0x0F) << 8) | m_buffer[2]) + 3ul;
        m_headerKnown = true;
    }
    if (!m_headerKnown || m_collected < m_expected)
        return 0;
    const unsigned long sectionEnd = m_expected - before;
    m_onComplete();
    Reset();
    return sectionEnd;
}
