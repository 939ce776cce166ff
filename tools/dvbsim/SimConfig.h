#pragma once
// The simulated adapter's configuration: one multiplex per line,
//   dvbt FREQUENCY_HZ BANDWIDTH_HZ FILE.ts
//   dvbt2 FREQUENCY_HZ BANDWIDTH_HZ PLP FILE.ts
//   dvbs FREQUENCY_KHZ h|v SYMBOL_RATE FILE.ts
//   dvbs2 FREQUENCY_KHZ h|v SYMBOL_RATE QPSK|8PSK|16APSK|32APSK FILE.ts
//   dvbc FREQUENCY_HZ SYMBOL_RATE QAM16|QAM32|QAM64|QAM128|QAM256 FILE.ts
// each optionally followed by diseqc=N (behind committed switch port N,
// 0..3) and rate=BPS (the file's rate in bit/s, for files without PCRs).
// '#' starts a comment; relative file names are relative to the file's folder.
#include <linux/dvb/frontend.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace dvbsim {

enum class Delivery { Terrestrial, Satellite, Cable };

struct SimMultiplex {
    Delivery delivery = Delivery::Terrestrial;
    fe_delivery_system system = SYS_DVBT; // the one it is received with, and no other
    uint32_t frequency = 0; // Hz for terrestrial and cable, kHz (transponder) for satellite
    uint32_t bandwidthHz = 0; // terrestrial only
    char polarisation = 0; // 'h' or 'v', satellite only
    uint32_t symbolRate = 0; // satellite and cable
    fe_modulation modulation = QAM_64; // what the demodulator reports once locked
    int plp = -1; // DVB-T2 only
    int diseqcPort = -1; // -1: reached with any switch command or none
    uint32_t rate = 0; // bit/s; 0: from the file's PCRs
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
