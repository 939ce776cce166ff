#include "SimDemux.h"

#include <cerrno>

namespace dvbsim {
namespace {

constexpr size_t PACKET = 188;

uint16_t PacketPid(const uint8_t* packet)
{
    return uint16_t(((packet[1] & 0x1F) << 8) | packet[2]);
}

} // namespace

SimDemux::Filter* SimDemux::Find(int filter)
{
    auto found = m_filters.find(filter);
    return found == m_filters.end() ? nullptr : &found->second;
}

int SimDemux::SetPesFilter(int id, const dmx_pes_filter_params& params)
{
    if (params.pid > WHOLE_STREAM_PID || params.output > DMX_OUT_TSDEMUX_TAP)
        return EINVAL;
    Filter& filter = m_filters[id] = Filter {};
    filter.output = params.output;
    filter.pids.insert(params.pid);
    filter.running = params.flags & DMX_IMMEDIATE_START;
    return 0;
}

int SimDemux::SetSectionFilter(int id, const dmx_sct_filter_params& params)
{
    if (params.pid >= WHOLE_STREAM_PID)
        return EINVAL;
    Filter& filter = m_filters[id] = Filter {};
    filter.section.emplace(params);
    filter.running = params.flags & DMX_IMMEDIATE_START;
    return 0;
}

int SimDemux::Start(int id)
{
    Filter* filter = Find(id);
    if (!filter)
        return EINVAL;
    if (!filter->running) {
        filter->running = true;
        filter->assembler = SectionAssembler {};
        filter->pesStarted = false;
    }
    return 0;
}

int SimDemux::Stop(int id)
{
    Filter* filter = Find(id);
    if (!filter)
        return EINVAL;
    filter->running = false;
    return 0;
}

int SimDemux::AddPid(int id, uint16_t pid)
{
    Filter* filter = Find(id);
    if (!filter || filter->section || pid > WHOLE_STREAM_PID)
        return EINVAL;
    filter->pids.insert(pid);
    return 0;
}

int SimDemux::RemovePid(int id, uint16_t pid)
{
    Filter* filter = Find(id);
    if (!filter || filter->section)
        return EINVAL;
    filter->pids.erase(pid);
    return 0;
}

void SimDemux::Remove(int id)
{
    m_filters.erase(id);
}

bool SimDemux::AnyRunning() const
{
    for (const auto& [id, filter] : m_filters)
        if (filter.running)
            return true;
    return false;
}

void SimDemux::Dispatch(const uint8_t* data, size_t size, DemuxSink& sink)
{
    // The whole-stream tap takes the chunk in one piece.
    bool wholeStreamToDvr = false;
    for (const auto& [id, filter] : m_filters)
        wholeStreamToDvr |= filter.running && filter.output == DMX_OUT_TS_TAP && !filter.section
            && filter.pids.count(WHOLE_STREAM_PID);
    if (wholeStreamToDvr)
        sink.ToDvr(data, size);
    for (size_t offset = 0; offset + PACKET <= size; offset += PACKET)
        DispatchPacket(data + offset, wholeStreamToDvr, sink);
}

void SimDemux::DispatchPacket(const uint8_t* packet, bool dvrHasIt, DemuxSink& sink)
{
    for (auto& [id, filter] : m_filters)
        if (filter.running)
            Pass(id, filter, packet, dvrHasIt, sink);
}

void SimDemux::Pass(int id, Filter& filter, const uint8_t* packet, bool& dvrHasIt, DemuxSink& sink)
{
    uint16_t pid = PacketPid(packet);
    if (filter.section) {
        if (pid != filter.section->Pid())
            return;
        filter.assembler.Feed(packet, [&](const std::vector<uint8_t>& section) {
            if (!filter.running || !filter.section->Matches(section))
                return;
            sink.ToFilter(id, section.data(), section.size());
            if (filter.section->OneShot())
                filter.running = false;
        });
        return;
    }
    if (!filter.pids.count(pid) && !filter.pids.count(WHOLE_STREAM_PID))
        return;
    switch (filter.output) {
    case DMX_OUT_TS_TAP:
        // dvr0 carries each packet once, however many filters pass it.
        if (!dvrHasIt)
            sink.ToDvr(packet, PACKET);
        dvrHasIt = true;
        break;
    case DMX_OUT_TSDEMUX_TAP:
        sink.ToFilter(id, packet, PACKET);
        break;
    case DMX_OUT_TAP: {
        // The PES bytes: packet payloads from the first unit start on.
        uint8_t control = (packet[3] >> 4) & 3;
        size_t offset = 4 + ((control & 2) ? 1 + packet[4] : 0);
        filter.pesStarted |= (packet[1] & 0x40) != 0;
        if ((control & 1) && filter.pesStarted && offset < PACKET)
            sink.ToFilter(id, packet + offset, PACKET - offset);
        break;
    }
    case DMX_OUT_DECODER:
        break;
    }
}

} // namespace dvbsim
