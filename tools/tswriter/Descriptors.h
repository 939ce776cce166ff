#pragma once
// Descriptors of ISO/IEC 13818-1 and ETSI EN 300 468, each with its tag and
// length. Texts are written byte for byte without a character table byte.
#include "tswriter/TsTypes.h"

#include <string>

namespace ts {

Bytes Descriptor(uint8_t tag, const Bytes& payload);
// All descriptors of a loop, one after the other.
Bytes Concat(const std::vector<Bytes>& parts);

// A 1-byte length followed by the text.
void AppendText(Bytes& out, const std::string& text);

Bytes Iso639LanguageDescriptor(const std::string& language, uint8_t audioType = 0);
Bytes NetworkNameDescriptor(const std::string& name);
Bytes ServiceDescriptor(uint8_t serviceType, const std::string& provider, const std::string& name);
Bytes ShortEventDescriptor(const std::string& language, const std::string& name, const std::string& text);
Bytes StreamIdentifierDescriptor(uint8_t componentTag);

struct ServiceListEntry {
    uint16_t serviceId = 0;
    uint8_t serviceType = 0;
};
Bytes ServiceListDescriptor(const std::vector<ServiceListEntry>& services);

// Logical channel numbers of a NIT entry's services: tag 0x83 as EACEM lays
// it out (visible flag, 5 reserved bits, 10-bit number), and tag 0x87 with the
// same entries in NorDig's named channel lists.
struct LogicalChannelEntry {
    uint16_t serviceId = 0;
    uint16_t number = 0;
    bool visible = true;
};
Bytes LogicalChannelDescriptor(const std::vector<LogicalChannelEntry>& channels);
struct ChannelList {
    uint8_t id = 0;
    std::string name;
    std::string country = "NOR";
    std::vector<LogicalChannelEntry> channels;
};
Bytes LogicalChannelListsDescriptor(const std::vector<ChannelList>& lists);

struct SubtitlingEntry {
    std::string language = "eng";
    uint8_t type = 0x10; // DVB subtitles, no aspect ratio criticality
    uint16_t compositionPageId = 1;
    uint16_t ancillaryPageId = 1;
};
Bytes SubtitlingDescriptor(const std::vector<SubtitlingEntry>& entries);

struct TeletextEntry {
    std::string language;
    uint8_t type = 1; // 1 initial page, 2 subtitle page, 5 subtitle page for the hard of hearing
    int page = 0x100; // magazine and page: 0x100..0x8FF
};
Bytes TeletextDescriptor(const std::vector<TeletextEntry>& entries);

struct TerrestrialDelivery {
    uint32_t centreFrequency = 0; // units of 10 Hz
    uint8_t bandwidth = 0; // 0 = 8 MHz, 1 = 7, 2 = 6, 3 = 5
    bool highPriority = true;
    bool timeSlicing = false; // written as the inverted indicator bits
    bool mpeFec = false;
    uint8_t constellation = 2; // 0 QPSK, 1 16-QAM, 2 64-QAM
    uint8_t hierarchy = 0;
    uint8_t codeRateHp = 2; // 0 1/2, 1 2/3, 2 3/4, 3 5/6, 4 7/8
    uint8_t codeRateLp = 0;
    uint8_t guardInterval = 0; // 0 1/32, 1 1/16, 2 1/8, 3 1/4
    uint8_t transmissionMode = 1; // 0 2k, 1 8k, 2 4k
    bool otherFrequency = false;
};
Bytes TerrestrialDeliveryDescriptor(const TerrestrialDelivery& delivery);

// DVB-T2: an extension descriptor, one cell at one centre frequency.
struct T2Delivery {
    uint8_t plpId = 0;
    uint16_t systemId = 0;
    uint8_t bandwidth = 0; // 0 8 MHz, 1 7, 2 6, 3 5, 4 10, 5 1.712
    uint16_t cellId = 0;
    uint32_t centreFrequency = 0; // units of 10 Hz
};
Bytes T2DeliveryDescriptor(const T2Delivery& delivery);

struct SatelliteDelivery {
    uint32_t frequencyKHz = 0;
    uint16_t orbitalPosition = 192; // tenths of a degree
    bool east = true;
    uint8_t polarisation = 0; // 0 horizontal, 1 vertical
    bool s2 = false;
    uint8_t rollOff = 0; // DVB-S2: 0 0.35, 1 0.25, 2 0.20
    uint8_t modulation = 1; // 1 QPSK, 2 8PSK, 3 16-QAM
    uint32_t symbolRate = 0; // symbols/s
    uint8_t fecInner = 0xF; // no conventional coding: left to the receiver
};
Bytes SatelliteDeliveryDescriptor(const SatelliteDelivery& delivery);

struct CableDelivery {
    uint32_t frequencyHz = 0;
    uint8_t modulation = 5; // 1 16-QAM .. 5 256-QAM
    uint32_t symbolRate = 0; // symbols/s
    uint8_t fecInner = 0xF;
};
Bytes CableDeliveryDescriptor(const CableDelivery& delivery);

struct LocalTimeOffset {
    std::string country = "GBR";
    uint8_t regionId = 0;
    int offsetMinutes = 0; // east of UTC is positive
    int64_t timeOfChange = 0;
    int nextOffsetMinutes = 0;
};
Bytes LocalTimeOffsetDescriptor(const std::vector<LocalTimeOffset>& offsets);

} // namespace ts
