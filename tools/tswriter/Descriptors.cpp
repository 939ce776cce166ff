#include "tswriter/Descriptors.h"
#include "tswriter/DvbTime.h"

#include <cstdlib>
#include <stdexcept>

namespace ts {

namespace {

void AppendLanguage(Bytes& out, const std::string& language)
{
    if (language.size() != 3)
        throw std::invalid_argument("ISO 639 codes have three letters");
    out.insert(out.end(), language.begin(), language.end());
}

void Append16(Bytes& out, uint16_t value)
{
    out.push_back(uint8_t(value >> 8));
    out.push_back(uint8_t(value));
}

// The value's lowest decimal digits, one a nibble, most significant first.
uint32_t Bcd(uint64_t value, int digits)
{
    uint32_t bcd = 0;
    for (int i = 0; i < digits; ++i, value /= 10)
        bcd |= uint32_t(value % 10) << (4 * i);
    return bcd;
}

void Append32(Bytes& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(uint8_t(value >> shift));
}

// Offsets are written as BCD hours and minutes.
uint16_t BcdOffset(int minutes)
{
    uint32_t bcd = BcdDuration(int64_t(std::abs(minutes)) * 60);
    return uint16_t(bcd >> 8);
}

} // namespace

Bytes Descriptor(uint8_t tag, const Bytes& payload)
{
    if (payload.size() > 255)
        throw std::invalid_argument("descriptor longer than 255 bytes");
    Bytes out { tag, uint8_t(payload.size()) };
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

Bytes Concat(const std::vector<Bytes>& parts)
{
    Bytes out;
    for (const Bytes& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

void AppendText(Bytes& out, const std::string& text)
{
    if (text.size() > 255)
        throw std::invalid_argument("text longer than 255 bytes");
    out.push_back(uint8_t(text.size()));
    out.insert(out.end(), text.begin(), text.end());
}

Bytes Iso639LanguageDescriptor(const std::string& language, uint8_t audioType)
{
    Bytes payload;
    AppendLanguage(payload, language);
    payload.push_back(audioType);
    return Descriptor(0x0A, payload);
}

Bytes NetworkNameDescriptor(const std::string& name)
{
    return Descriptor(0x40, Bytes(name.begin(), name.end()));
}

Bytes ServiceDescriptor(uint8_t serviceType, const std::string& provider, const std::string& name)
{
    Bytes payload { serviceType };
    AppendText(payload, provider);
    AppendText(payload, name);
    return Descriptor(0x48, payload);
}

Bytes ShortEventDescriptor(const std::string& language, const std::string& name, const std::string& text)
{
    Bytes payload;
    AppendLanguage(payload, language);
    AppendText(payload, name);
    AppendText(payload, text);
    return Descriptor(0x4D, payload);
}

Bytes StreamIdentifierDescriptor(uint8_t componentTag)
{
    return Descriptor(0x52, { componentTag });
}

Bytes ServiceListDescriptor(const std::vector<ServiceListEntry>& services)
{
    Bytes payload;
    for (const ServiceListEntry& service : services) {
        Append16(payload, service.serviceId);
        payload.push_back(service.serviceType);
    }
    return Descriptor(0x41, payload);
}

namespace {
void AppendChannels(Bytes& out, const std::vector<LogicalChannelEntry>& channels)
{
    for (const LogicalChannelEntry& channel : channels) {
        Append16(out, channel.serviceId);
        Append16(out, uint16_t((channel.visible ? 0x8000 : 0) | 0x7C00 | (channel.number & 0x3FF)));
    }
}
} // namespace

Bytes LogicalChannelDescriptor(const std::vector<LogicalChannelEntry>& channels)
{
    Bytes payload;
    AppendChannels(payload, channels);
    return Descriptor(0x83, payload);
}

Bytes LogicalChannelListsDescriptor(const std::vector<ChannelList>& lists)
{
    Bytes payload;
    for (const ChannelList& list : lists) {
        payload.push_back(list.id);
        AppendText(payload, list.name);
        payload.insert(payload.end(), list.country.begin(), list.country.begin() + 3);
        Bytes entries;
        AppendChannels(entries, list.channels);
        payload.push_back(uint8_t(entries.size()));
        payload.insert(payload.end(), entries.begin(), entries.end());
    }
    return Descriptor(0x87, payload);
}

Bytes SubtitlingDescriptor(const std::vector<SubtitlingEntry>& entries)
{
    Bytes payload;
    for (const SubtitlingEntry& entry : entries) {
        AppendLanguage(payload, entry.language);
        payload.push_back(entry.type);
        Append16(payload, entry.compositionPageId);
        Append16(payload, entry.ancillaryPageId);
    }
    return Descriptor(0x59, payload);
}

Bytes TeletextDescriptor(const std::vector<TeletextEntry>& entries)
{
    Bytes payload;
    for (const TeletextEntry& entry : entries) {
        AppendLanguage(payload, entry.language);
        // Magazine 8 is written as 0.
        payload.push_back(uint8_t(entry.type << 3 | (entry.page >> 8 & 7)));
        payload.push_back(uint8_t(entry.page));
    }
    return Descriptor(0x56, payload);
}

Bytes TerrestrialDeliveryDescriptor(const TerrestrialDelivery& d)
{
    Bytes payload;
    for (int shift = 24; shift >= 0; shift -= 8)
        payload.push_back(uint8_t(d.centreFrequency >> shift));
    payload.push_back(uint8_t((d.bandwidth & 7) << 5 | (d.highPriority ? 0x10 : 0) | (d.timeSlicing ? 0 : 0x08)
        | (d.mpeFec ? 0 : 0x04) | 0x03));
    payload.push_back(uint8_t((d.constellation & 3) << 6 | (d.hierarchy & 7) << 3 | (d.codeRateHp & 7)));
    payload.push_back(uint8_t((d.codeRateLp & 7) << 5 | (d.guardInterval & 3) << 3 | (d.transmissionMode & 3) << 1
        | (d.otherFrequency ? 1 : 0)));
    payload.insert(payload.end(), 4, 0xFF);
    return Descriptor(0x5A, payload);
}

Bytes T2DeliveryDescriptor(const T2Delivery& d)
{
    Bytes payload = { 0x04, d.plpId };
    Append16(payload, d.systemId);
    // SISO, the bandwidth, guard 1/32, 32k, no other frequencies, no TFS.
    payload.push_back(uint8_t((d.bandwidth & 0x0F) << 2));
    payload.push_back(uint8_t(0x06 << 2));
    Append16(payload, d.cellId);
    Append32(payload, d.centreFrequency);
    payload.push_back(0); // no subcells
    return Descriptor(0x7F, payload);
}

Bytes SatelliteDeliveryDescriptor(const SatelliteDelivery& d)
{
    Bytes payload;
    Append32(payload, Bcd(d.frequencyKHz / 10, 8)); // GHz with five decimals
    Append16(payload, uint16_t(Bcd(d.orbitalPosition, 4)));
    payload.push_back(uint8_t((d.east ? 0x80 : 0) | (d.polarisation & 3) << 5 | (d.s2 ? (d.rollOff & 3) << 3 : 0)
        | (d.s2 ? 0x04 : 0) | (d.modulation & 3)));
    Append32(payload, Bcd(d.symbolRate / 100, 7) << 4 | (d.fecInner & 0x0F)); // Msymbol/s with four decimals
    return Descriptor(0x43, payload);
}

Bytes CableDeliveryDescriptor(const CableDelivery& d)
{
    Bytes payload;
    Append32(payload, Bcd(d.frequencyHz / 100, 8)); // MHz with four decimals
    Append16(payload, 0xFFF2); // reserved, outer FEC Reed-Solomon
    payload.push_back(d.modulation);
    Append32(payload, Bcd(d.symbolRate / 100, 7) << 4 | (d.fecInner & 0x0F));
    return Descriptor(0x44, payload);
}

Bytes LocalTimeOffsetDescriptor(const std::vector<LocalTimeOffset>& offsets)
{
    Bytes payload;
    for (const LocalTimeOffset& offset : offsets) {
        AppendLanguage(payload, offset.country);
        payload.push_back(uint8_t((offset.regionId & 0x3F) << 2 | 0x02 | (offset.offsetMinutes < 0 ? 1 : 0)));
        Append16(payload, BcdOffset(offset.offsetMinutes));
        DvbTime change = DvbTime::FromUnix(offset.timeOfChange);
        Append16(payload, change.mjd);
        for (int shift = 16; shift >= 0; shift -= 8)
            payload.push_back(uint8_t(change.bcd >> shift));
        Append16(payload, BcdOffset(offset.nextOffsetMinutes));
    }
    return Descriptor(0x58, payload);
}

} // namespace ts
