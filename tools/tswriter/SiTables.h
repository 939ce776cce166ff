#pragma once
// Whole PSI/SI sections of the tables the system reads, CRC included.
#include "tswriter/DvbTime.h"
#include "tswriter/TsTypes.h"

namespace ts {

struct PatEntry {
    uint16_t programNumber = 0; // 0 names the network PID
    uint16_t pid = 0;
};
Bytes PatSection(uint16_t transportStreamId, const std::vector<PatEntry>& entries, uint8_t version = 0);

struct PmtStream {
    uint8_t streamType = 0;
    uint16_t pid = 0;
    Bytes descriptors;
};
Bytes PmtSection(uint16_t programNumber, uint16_t pcrPid, const Bytes& programInfo,
    const std::vector<PmtStream>& streams, uint8_t version = 0);

struct SdtService {
    uint16_t serviceId = 0;
    bool eitSchedule = false;
    bool eitPresentFollowing = true;
    uint8_t runningStatus = 4;
    bool freeCaMode = false;
    Bytes descriptors;
};
// Table 0x42 is the actual transport stream, 0x46 another.
Bytes SdtSection(uint16_t transportStreamId, uint16_t originalNetworkId, const std::vector<SdtService>& services,
    uint8_t version = 0, uint8_t tableId = 0x42);

struct NitTransportStream {
    uint16_t transportStreamId = 0;
    uint16_t originalNetworkId = 0;
    Bytes descriptors;
};
// Table 0x40 is the actual network, 0x41 another.
Bytes NitSection(uint16_t networkId, const Bytes& networkDescriptors, const std::vector<NitTransportStream>& streams,
    uint8_t version = 0, uint8_t tableId = 0x40);

struct EitEvent {
    uint16_t eventId = 0;
    DvbTime start;
    uint32_t durationBcd = 0;
    uint8_t runningStatus = 0;
    bool freeCaMode = false;
    Bytes descriptors;
};
struct EitHeader {
    uint8_t tableId = 0x4E; // present/following of the actual transport stream
    uint16_t serviceId = 0;
    uint16_t transportStreamId = 0;
    uint16_t originalNetworkId = 0;
    uint8_t version = 0;
    uint8_t sectionNumber = 0; // 0 present, 1 following
    uint8_t lastSectionNumber = 1;
    int segmentLastSectionNumber = -1; // -1: the last section number
    int lastTableId = -1; // -1: this table
};
Bytes EitSection(const EitHeader& header, const std::vector<EitEvent>& events);

Bytes TdtSection(DvbTime utc);
Bytes TotSection(DvbTime utc, const Bytes& descriptors);

} // namespace ts
