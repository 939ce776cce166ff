#pragma once
// Section filtering as the Linux demux does it: sections gathered from one
// PID's packets, matched against filter/mask/mode bytes (byte 0 against the
// table id, the rest against the bytes after the section length), the CRC
// checked when asked for.
#include <linux/dvb/dmx.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace dvbsim {

class SectionAssembler
{
public:
    using Section = std::function<void(const std::vector<uint8_t>& section)>;

    // One packet of the PID being gathered; calls back with each section it completes.
    void Feed(const uint8_t* packet, const Section& done);

private:
    void Take(const uint8_t* data, size_t size, const Section& done);

    std::vector<uint8_t> m_section;
    bool m_collecting = false;
    int m_continuity = -1;
};

class SectionFilter
{
public:
    explicit SectionFilter(const dmx_sct_filter_params& params);

    uint16_t Pid() const { return m_params.pid; }
    bool OneShot() const { return m_params.flags & DMX_ONESHOT; }
    bool Matches(const std::vector<uint8_t>& section) const;

private:
    dmx_sct_filter_params m_params;
};

} // namespace dvbsim
