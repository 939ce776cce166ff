#include "SectionFilter.h"

#include "tswriter/Crc32Mpeg2.h"

#include <algorithm>

namespace dvbsim {
namespace {

constexpr size_t PACKET = 188;
constexpr uint8_t STUFFING = 0xFF;

size_t SectionLength(const std::vector<uint8_t>& section)
{
    return 3 + (((section[1] & 0x0F) << 8) | section[2]);
}

} // namespace

void SectionAssembler::Feed(const uint8_t* packet, const Section& done)
{
    bool error = packet[1] & 0x80;
    bool start = packet[1] & 0x40;
    uint8_t control = (packet[3] >> 4) & 3;
    uint8_t continuity = packet[3] & 0x0F;
    if (error || !(control & 1))
        return;
    // A lost packet spoils the section being gathered; a repeated one adds nothing.
    if (m_continuity >= 0 && continuity == m_continuity)
        return;
    if (m_continuity >= 0 && continuity != ((m_continuity + 1) & 0x0F))
        m_collecting = false;
    m_continuity = continuity;

    size_t offset = 4 + ((control & 2) ? 1 + packet[4] : 0);
    if (offset >= PACKET)
        return;
    if (!start) {
        if (m_collecting)
            Take(packet + offset, PACKET - offset, done);
        return;
    }
    size_t pointer = packet[offset++];
    if (offset + pointer > PACKET)
        return;
    if (m_collecting)
        Take(packet + offset, pointer, done);
    m_section.clear();
    m_collecting = true;
    Take(packet + offset + pointer, PACKET - offset - pointer, done);
}

void SectionAssembler::Take(const uint8_t* data, size_t size, const Section& done)
{
    for (size_t used = 0; used < size && m_collecting;) {
        if (m_section.empty() && data[used] == STUFFING) {
            m_collecting = false;
            break;
        }
        size_t wanted = m_section.size() < 3 ? 3 - m_section.size() : SectionLength(m_section) - m_section.size();
        size_t part = std::min(wanted, size - used);
        m_section.insert(m_section.end(), data + used, data + used + part);
        used += part;
        if (m_section.size() >= 3 && m_section.size() == SectionLength(m_section)) {
            done(m_section);
            m_section.clear();
        }
    }
}

SectionFilter::SectionFilter(const dmx_sct_filter_params& params)
    : m_params(params)
{
}

bool SectionFilter::Matches(const std::vector<uint8_t>& section) const
{
    const dmx_filter& filter = m_params.filter;
    bool anyNegative = false;
    bool negativeDiffers = false;
    for (size_t i = 0; i < DMX_FILTER_SIZE; ++i) {
        uint8_t mask = filter.mask[i];
        if (!mask)
            continue;
        // Filter byte 0 is the table id; the rest skip the two length bytes.
        size_t at = i == 0 ? 0 : i + 2;
        if (at >= section.size())
            return false;
        uint8_t differs = (section[at] ^ filter.filter[i]) & mask;
        uint8_t negative = mask & filter.mode[i];
        if (differs & ~negative)
            return false;
        anyNegative |= negative != 0;
        negativeDiffers |= (differs & negative) != 0;
    }
    if (anyNegative && !negativeDiffers)
        return false;
    bool syntax = section.size() > 1 && (section[1] & 0x80);
    if ((m_params.flags & DMX_CHECK_CRC) && syntax)
        return ts::Crc32Mpeg2(section.data(), section.size()) == 0;
    return true;
}

} // namespace dvbsim
