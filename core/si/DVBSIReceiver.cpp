#include "si/DVBSIReceiver.h"

#include "platform/Clock.h"
#include "si/DVBCRC32.h"
#include "si/DVBSISectionHandler.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {
// Long-form sections are told apart by table id, extension and number;
// short-form ones by table id alone.
uint64_t LongFormKey(unsigned char tableId, unsigned short extension, unsigned char number)
{
    return (uint64_t(1) << 32) | (uint64_t(tableId) << 24) | (uint64_t(extension) << 8) | number;
}

uint64_t ShortFormKey(unsigned char tableId)
{
    return tableId;
}
} // namespace

CDVBSIReceiver::CDVBSIReceiver(CDVBSISectionHandler* handler)
    : m_buffer(new unsigned char[DVB_SECTION_BUFFER_SIZE])
    , m_handler(handler)
{
    m_type = DVB_RECEIVER_SI;
}

CDVBSIReceiver::~CDVBSIReceiver()
{
    delete[] m_buffer;
}

void CDVBSIReceiver::Start()
{
    ResetAssembly();
}

void CDVBSIReceiver::ResetAssembly()
{
    m_collected = 0;
    m_headerKnown = false;
}

void CDVBSIReceiver::OnReceivePacket(uint64_t, unsigned char* packet)
{
    unsigned char* payload = nullptr;
    unsigned long size = 0;
    if (!GetPacketPayload(packet, payload, size) || size == 0)
        return;
    if (!IsPayloadUnitStart(packet)) {
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

void CDVBSIReceiver::Append(const unsigned char* data, unsigned long count, bool startNew)
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
unsigned long CDVBSIReceiver::Collect(const unsigned char* data, unsigned long count, bool startNew)
{
    if (startNew && m_collected != 0) {
        OnSectionAborted();
        ResetAssembly();
    }
    const unsigned long before = m_collected;
    const unsigned long copied = std::min(count, DVB_SECTION_BUFFER_SIZE - m_collected);
    if (copied == 0)
        return 0;
    std::memcpy(m_buffer + m_collected, data, copied);
    m_collected += copied;
    if (!m_headerKnown && m_collected >= 3) {
        m_expected = (((m_buffer[1] & 0x0F) << 8) | m_buffer[2]) + 3ul;
        m_headerKnown = true;
    }
    if (!m_headerKnown || m_collected < m_expected)
        return 0;
    const unsigned long sectionEnd = m_expected - before;
    OnSectionComplete();
    ResetAssembly();
    return sectionEnd;
}

void CDVBSIReceiver::OnSectionComplete()
{
    if (m_buffer[1] & 0x80)
        CompleteLongForm();
    else
        CompleteShortForm();
}

void CDVBSIReceiver::CompleteLongForm()
{
    const unsigned sectionLength = m_expected - 3;
    // Too short to hold its own header and CRC: the fields below would lie outside it.
    if (sectionLength < DVB_MIN_LONG_SECTION_LENGTH)
        return;
    if (CalculateDVBCRC32(m_buffer, m_expected) != 0) {
        m_handler->OnSectionCRCError(m_pid);
        return;
    }
    const unsigned char* crcBytes = m_buffer + sectionLength - 1;
    const uint32_t crc
        = (uint32_t(crcBytes[0]) << 24) | (uint32_t(crcBytes[1]) << 16) | (uint32_t(crcBytes[2]) << 8) | crcBytes[3];
    const uint64_t key
        = LongFormKey(m_buffer[0], static_cast<unsigned short>((m_buffer[3] << 8) | m_buffer[4]), m_buffer[6]);
    const auto found = m_index.find(key);
    if (found == m_index.end()) {
        Store(key, false, m_sections.end());
        return;
    }
    CDVBSISection* stored = *found->second;
    if (stored->GetSectionLength() == sectionLength && stored->GetCRC32() == crc) {
        stored->SetLastSeen(GetMillisecondTime());
        return;
    }
    Store(key, true, found->second);
}

void CDVBSIReceiver::CompleteShortForm()
{
    const uint64_t key = ShortFormKey(m_buffer[0]);
    const auto found = m_index.find(key);
    if (found == m_index.end())
        Store(key, false, m_sections.end());
    else
        Store(key, true, found->second);
}

void CDVBSIReceiver::Store(uint64_t key, bool replace, Position old)
{
    std::unique_ptr<CDVBSISection> section(CDVBSISection::Create(m_buffer[0], (m_buffer[1] & 0x80) != 0));
    if (!section)
        return;
    section->SetLastSeen(GetMillisecondTime());
    if (!section->Parse(m_buffer, m_collected))
        return;
    CDVBSISection* stored = nullptr;
    if (replace) {
        stored = m_sections.Replace(old, std::move(section));
    } else {
        stored = m_sections.Append(std::move(section));
        m_index[key] = Position(std::prev(m_sections.end()));
    }
    m_handler->OnSectionAdd(m_pid, stored);
}

void CDVBSIReceiver::OnEverySecond()
{
    const uint32_t now = GetMillisecondTime();
    for (auto position = m_sections.begin(); position != m_sections.end();) {
        CDVBSISection* section = *position;
        if (!section->IsExpired(now)) {
            ++position;
            continue;
        }
        m_handler->OnSectionExpiry(m_pid, section);
        m_index.erase(section->IsLongForm()
                ? LongFormKey(section->GetTableId(), section->GetTableIdExtension(), section->GetSectionNumber())
                : ShortFormKey(section->GetTableId()));
        auto next = position;
        ++next;
        m_sections.Remove(position);
        position = next;
    }
}
