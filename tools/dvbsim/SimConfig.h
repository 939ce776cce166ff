#pragma once
// The simulated adapter's configuration: one multiplex per line,
//   dvbt FREQUENCY_HZ BANDWIDTH_HZ FILE.ts
//   dvbs FREQUENCY_KHZ h|v SYMBOL_RATE FILE.ts
// '#' starts a comment; relative file names are relative to the file's folder.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace dvbsim {

enum class Delivery { Terrestrial, Satellite };

struct SimMultiplex {
    Delivery delivery = Delivery::Terrestrial;
    uint32_t frequency = 0; // Hz for terrestrial, kHz (transponder) for satellite
    uint32_t bandwidthHz = 0; // terrestrial only
    char polarisation = 0; // 'h' or 'v', satellite only
    uint32_t symbolRate = 0; // satellite only
    std::string file;
    int line = 0;
};

class ConfigError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class SimConfig
{
public:
    // Throws ConfigError naming the line at fault.
    static SimConfig Parse(const std::string& text, const std::string& folder);
    static SimConfig Load(const std::string& path);

    const std::vector<SimMultiplex>& Multiplexes() const { return m_multiplexes; }
    bool Has(Delivery delivery) const;

private:
    std::vector<SimMultiplex> m_multiplexes;
};

} // namespace dvbsim
