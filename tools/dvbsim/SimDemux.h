#pragma once
// The demux of the simulated adapter: the filters each open demux0 holds and
// where the packets they pass go (dvr0, or the filter's own descriptor).
#include "SectionFilter.h"

#include <linux/dvb/dmx.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace dvbsim {

constexpr uint16_t WHOLE_STREAM_PID = 0x2000;

class DemuxSink
{
public:
    virtual ~DemuxSink() = default;
    // Transport packets for dvr0.
    virtual void ToDvr(const uint8_t* data, size_t size) = 0;
    // Data for one filter's own descriptor; a section filter hands one whole section per call.
    virtual void ToFilter(int filter, const uint8_t* data, size_t size) = 0;
};

class SimDemux
{
public:
    // The ioctls, by the filter (the descriptor of the demux0 opened); each
    // returns 0 or an errno value.
    int SetPesFilter(int filter, const dmx_pes_filter_params& params);
    int SetSectionFilter(int filter, const dmx_sct_filter_params& params);
    int Start(int filter);
    int Stop(int filter);
    int AddPid(int filter, uint16_t pid);
    int RemovePid(int filter, uint16_t pid);
    void Remove(int filter);

    // Whether any filter is running, so the stream has somewhere to go.
    bool AnyRunning() const;
    // Whole transport packets, routed to every running filter they pass.
    void Dispatch(const uint8_t* data, size_t size, DemuxSink& sink);

private:
    struct Filter {
        bool running = false;
        // Packet filters:
        dmx_output output = DMX_OUT_DECODER;
        std::set<uint16_t> pids;
        bool pesStarted = false;
        // Section filters:
        std::optional<SectionFilter> section;
        SectionAssembler assembler;
    };

    void DispatchPacket(const uint8_t* packet, bool dvrHasIt, DemuxSink& sink);
    void Pass(int id, Filter& filter, const uint8_t* packet, bool& dvrHasIt, DemuxSink& sink);
    Filter* Find(int filter);

    std::map<int, Filter> m_filters;
};

} // namespace dvbsim
