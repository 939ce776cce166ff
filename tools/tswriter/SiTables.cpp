#include "tswriter/SiTables.h"
#include "tswriter/SectionWriter.h"

#include <stdexcept>

namespace ts {

namespace {

void Append16(Bytes& out, uint16_t value)
{
    out.push_back(uint8_t(value >> 8));
    out.push_back(uint8_t(value));
}

void Append24(Bytes& out, uint32_t value)
{
    out.push_back(uint8_t(value >> 16));
    out.push_back(uint8_t(value >> 8));
    out.push_back(uint8_t(value));
}

void AppendTime(Bytes& out, DvbTime time)
{
    Append16(out, time.mjd);
    Append24(out, time.bcd);
}

// A 12-bit loop length under the given top 4 bits, then the loop itself.
void AppendLoop(Bytes& out, uint8_t topBits, const Bytes& loop)
{
    if (loop.size() > 0x0FFF)
        throw std::invalid_argument("loop longer than 12 bits can say");
    Append16(out, uint16_t(topBits << 12 | loop.size()));
    out.insert(out.end(), loop.begin(), loop.end());
}

LongSectionHeader Header(uint8_t tableId, uint16_t extension, uint8_t version, bool dvb)
{
    LongSectionHeader header;
    header.tableId = tableId;
    header.tableIdExtension = extension;
    header.version = version;
    header.privateIndicator = dvb;
    return header;
}

} // namespace

Bytes PatSection(uint16_t transportStreamId, const std::vector<PatEntry>& entries, uint8_t version)
{
    Bytes body;
    for (const PatEntry& entry : entries) {
        Append16(body, entry.programNumber);
        Append16(body, uint16_t(0xE000 | entry.pid));
    }
    return SectionWriter::BuildLong(Header(0x00, transportStreamId, version, false), body);
}

Bytes PmtSection(uint16_t programNumber, uint16_t pcrPid, const Bytes& programInfo,
    const std::vector<PmtStream>& streams, uint8_t version)
{
    Bytes body;
    Append16(body, uint16_t(0xE000 | pcrPid));
    AppendLoop(body, 0xF, programInfo);
    for (const PmtStream& stream : streams) {
        body.push_back(stream.streamType);
        Append16(body, uint16_t(0xE000 | stream.pid));
        AppendLoop(body, 0xF, stream.descriptors);
    }
    return SectionWriter::BuildLong(Header(0x02, programNumber, version, false), body);
}

Bytes SdtSection(uint16_t transportStreamId, uint16_t originalNetworkId, const std::vector<SdtService>& services,
    uint8_t version, uint8_t tableId)
{
    Bytes body;
    Append16(body, originalNetworkId);
    body.push_back(0xFF);
    for (const SdtService& service : services) {
        Append16(body, service.serviceId);
        body.push_back(uint8_t(0xFC | (service.eitSchedule ? 2 : 0) | (service.eitPresentFollowing ? 1 : 0)));
        AppendLoop(body, uint8_t((service.runningStatus & 7) << 1 | (service.freeCaMode ? 1 : 0)), service.descriptors);
    }
    return SectionWriter::BuildLong(Header(tableId, transportStreamId, version, true), body);
}

Bytes NitSection(uint16_t networkId, const Bytes& networkDescriptors, const std::vector<NitTransportStream>& streams,
    uint8_t version, uint8_t tableId)
{
    Bytes body;
    AppendLoop(body, 0xF, networkDescriptors);
    Bytes loop;
    for (const NitTransportStream& stream : streams) {
        Append16(loop, stream.transportStreamId);
        Append16(loop, stream.originalNetworkId);
        AppendLoop(loop, 0xF, stream.descriptors);
    }
    AppendLoop(body, 0xF, loop);
    return SectionWriter::BuildLong(Header(tableId, networkId, version, true), body);
}

Bytes EitSection(const EitHeader& header, const std::vector<EitEvent>& events)
{
    Bytes body;
    Append16(body, header.transportStreamId);
    Append16(body, header.originalNetworkId);
    body.push_back(
        header.segmentLastSectionNumber < 0 ? header.lastSectionNumber : uint8_t(header.segmentLastSectionNumber));
    body.push_back(header.lastTableId < 0 ? header.tableId : uint8_t(header.lastTableId));
    for (const EitEvent& event : events) {
        Append16(body, event.eventId);
        AppendTime(body, event.start);
        Append24(body, event.durationBcd);
        AppendLoop(body, uint8_t((event.runningStatus & 7) << 1 | (event.freeCaMode ? 1 : 0)), event.descriptors);
    }
    LongSectionHeader section = Header(header.tableId, header.serviceId, header.version, true);
    section.sectionNumber = header.sectionNumber;
    section.lastSectionNumber = header.lastSectionNumber;
    return SectionWriter::BuildLong(section, body);
}

Bytes TdtSection(DvbTime utc)
{
    Bytes body;
    AppendTime(body, utc);
    return SectionWriter::BuildShort(0x70, body, false);
}

Bytes TotSection(DvbTime utc, const Bytes& descriptors)
{
    Bytes body;
    AppendTime(body, utc);
    AppendLoop(body, 0xF, descriptors);
    return SectionWriter::BuildShort(0x73, body, true);
}

} // namespace ts
