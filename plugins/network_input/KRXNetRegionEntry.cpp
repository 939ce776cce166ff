#include "KRXNetRegionEntry.h"

#include <algorithm>
#include <cctype>

namespace {
// Megahertz with as many decimals as the frequency has: "377.75", "11494".
CString Megahertz(uint32_t kilohertz)
{
    CString text = FormatString("%u.%03u", kilohertz / 1000, kilohertz % 1000);
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.')
        text.pop_back();
    return text;
}
} // namespace

CString SatIpTuningQuery(const KRXNetRegionEntry& entry, int source)
{
    CString query;
    if (entry.IsSatellite())
        query = FormatString("src=%d&", source);
    query += "freq=" + Megahertz(entry.frequencyKHz);
    if (entry.IsSatellite() && entry.polarisation != 0)
        query += CString("&pol=") + entry.polarisation;
    if (entry.bandwidthHz != 0)
        query += "&bw=" + Megahertz(entry.bandwidthHz / 1000);
    query += "&msys=" + entry.system;
    if (!entry.modulation.empty())
        query += "&mtype=" + entry.modulation;
    if (entry.symbolRate != 0)
        query += FormatString("&sr=%u", entry.symbolRate / 1000);
    if (entry.plp >= 0)
        query += FormatString("&plp=%d", entry.plp);
    return query;
}

CString SatIpMultiplexName(const KRXNetRegionEntry& entry)
{
    CString system = entry.system;
    std::transform(system.begin(), system.end(), system.begin(), [](char c) { return std::toupper(c); });
    CString name = system.substr(0, 3) + "-" + system.substr(3) + " " + Megahertz(entry.frequencyKHz) + " MHz";
    if (entry.IsSatellite() && entry.polarisation != 0)
        name += CString(" ") + static_cast<char>(std::toupper(entry.polarisation));
    if (entry.plp >= 0)
        name += FormatString(" PLP %d", entry.plp);
    return name;
}
