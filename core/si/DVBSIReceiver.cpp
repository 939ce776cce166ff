#include "si/DVBSIReceiver.h"

#include "platform/Clock.h"
#include "si/DVBCRC32.h"
#include "si/DVBSISectionHandler.h"

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
    : m_handler(handler)
{
    m_type = DVB_RECEIVER_SI;
}

CDVBSIReceiver::~CDVBSIReceiver() = default;

void CDVBSIReceiver::Start()
{
    m_assembler.Reset();
}

void CDVBSIReceiver::OnReceivePacket(uint64_t, unsigned char* packet)
{
    m_assembler.OnReceivePacket(packet);
}

void CDVBSIReceiver::OnSectionComplete()
{
    if (m_assembler.GetSection()[1] & 0x80)
        CompleteLongForm();
    else
        CompleteShortForm();
}

void CDVBSIReceiver::CompleteLongForm()
{
    const unsigned char* data = m_assembler.GetSection();
    const unsigned long size = m_assembler.GetSectionSize();
    const unsigned sectionLength = size - 3;
    // Too short to hold its own header and CRC: the fields below would lie outside it.
    if (sectionLength < DVB_MIN_LONG_SECTION_LENGTH)
        return;
    if (CalculateDVBCRC32(data, size) != 0) {
        m_handler->OnSectionCRCError(m_pid);
        return;
    }
    const unsigned char* crcBytes = data + sectionLength - 1;
    const uint32_t crc
        = (uint32_t(crcBytes[0]) << 24) | (uint32_t(crcBytes[1]) << 16) | (uint32_t(crcBytes[2]) << 8) | crcBytes[3];
    const uint64_t key = LongFormKey(data[0], static_cast<unsigned short>((data[3] << 8) | data[4]), data[6]);
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
    const uint64_t key = ShortFormKey(m_assembler.GetSection()[0]);
    const auto found = m_index.find(key);
    if (found == m_index.end())
        Store(key, false, m_sections.end());
    else
        Store(key, true, found->second);
}

void CDVBSIReceiver::Store(uint64_t key, bool replace, Position old)
{
    const unsigned char* data = m_assembler.GetSection();
    std::unique_ptr<CDVBSISection> section(CDVBSISection::Create(data[0], (data[1] & 0x80) != 0));
    if (!section)
        return;
    section->SetLastSeen(GetMillisecondTime());
    if (!section->Parse(data, m_assembler.GetSectionSize()))
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
