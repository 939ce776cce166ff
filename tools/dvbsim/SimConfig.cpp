#include "SimConfig.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace dvbsim {
namespace {

[[noreturn]] void Refuse(int line, const std::string& why)
{
    throw ConfigError("line " + std::to_string(line) + ": " + why);
}

uint32_t Number(const std::string& word, const char* what, int line, uint64_t low, uint64_t high)
{
    uint64_t value = 0;
    if (word.empty() || word.size() > 10 || word.find_first_not_of("0123456789") != std::string::npos)
        Refuse(line, std::string(what) + " \"" + word + "\" is not a number");
    value = std::stoull(word);
    if (value < low || value > high)
        Refuse(line, std::string(what) + " " + word + " is out of range");
    return uint32_t(value);
}

std::string Resolve(const std::string& file, const std::string& folder)
{
    if (file.front() == '/' || folder.empty())
        return file;
    return folder + "/" + file;
}

fe_modulation Modulation(const std::string& word, const std::vector<std::string>& allowed, int line)
{
    static const std::vector<std::pair<std::string, fe_modulation>> names
        = { { "QPSK", QPSK }, { "8PSK", PSK_8 }, { "16APSK", APSK_16 }, { "32APSK", APSK_32 }, { "QAM16", QAM_16 },
              { "QAM32", QAM_32 }, { "QAM64", QAM_64 }, { "QAM128", QAM_128 }, { "QAM256", QAM_256 } };
    for (const auto& [name, modulation] : names)
        if (name == word && std::find(allowed.begin(), allowed.end(), word) != allowed.end())
            return modulation;
    std::string list;
    for (const std::string& name : allowed)
        list += (list.empty() ? "" : "|") + name;
    Refuse(line, "modulation \"" + word + "\" is not " + list);
}

char Polarisation(const std::string& word, int line)
{
    if (word != "h" && word != "v")
        Refuse(line, "polarisation \"" + word + "\" is not h or v");
    return word[0];
}

// The words after the file: diseqc=N and rate=BPS.
void ParseOptions(const std::vector<std::string>& options, SimMultiplex& mux)
{
    for (const std::string& option : options) {
        const size_t equals = option.find('=');
        const std::string key = option.substr(0, equals), value = option.substr(equals + 1);
        if (key == "diseqc")
            mux.diseqcPort = int(Number(value, "DiSEqC port", mux.line, 0, 3));
        else if (key == "rate")
            mux.rate = Number(value, "rate", mux.line, 1000, 1000000000);
        else
            Refuse(mux.line, "\"" + option + "\" is not diseqc=N or rate=BPS");
    }
}

struct LineForm {
    const char* keyword;
    const char* usage;
    size_t words; // with the keyword and the file, without options
};

const LineForm FORMS[] = {
    { "dvbt", "dvbt FREQUENCY_HZ BANDWIDTH_HZ FILE.ts", 4 },
    { "dvbt2", "dvbt2 FREQUENCY_HZ BANDWIDTH_HZ PLP FILE.ts", 5 },
    { "dvbs", "dvbs FREQUENCY_KHZ h|v SYMBOL_RATE FILE.ts", 5 },
    { "dvbs2", "dvbs2 FREQUENCY_KHZ h|v SYMBOL_RATE QPSK|8PSK|16APSK|32APSK FILE.ts", 6 },
    { "dvbc", "dvbc FREQUENCY_HZ SYMBOL_RATE QAM16|QAM32|QAM64|QAM128|QAM256 FILE.ts", 5 },
};

void ParseTerrestrial(const std::vector<std::string>& words, SimMultiplex& mux)
{
    mux.delivery = Delivery::Terrestrial;
    mux.frequency = Number(words[1], "frequency", mux.line, 174000000, 862000000);
    mux.bandwidthHz = Number(words[2], "bandwidth", mux.line, 1000000, 10000000);
    if (words[0] == "dvbt2") {
        mux.system = SYS_DVBT2;
        mux.modulation = QAM_256;
        mux.plp = int(Number(words[3], "PLP", mux.line, 0, 255));
    }
}

void ParseSatellite(const std::vector<std::string>& words, SimMultiplex& mux)
{
    mux.delivery = Delivery::Satellite;
    mux.system = words[0] == "dvbs2" ? SYS_DVBS2 : SYS_DVBS;
    mux.frequency = Number(words[1], "frequency", mux.line, 10700000, 12750000);
    mux.polarisation = Polarisation(words[2], mux.line);
    mux.symbolRate = Number(words[3], "symbol rate", mux.line, 1000000, 45000000);
    mux.modulation
        = mux.system == SYS_DVBS2 ? Modulation(words[4], { "QPSK", "8PSK", "16APSK", "32APSK" }, mux.line) : QPSK;
}

void ParseCable(const std::vector<std::string>& words, SimMultiplex& mux)
{
    mux.delivery = Delivery::Cable;
    mux.system = SYS_DVBC_ANNEX_A;
    mux.frequency = Number(words[1], "frequency", mux.line, 47000000, 862000000);
    mux.symbolRate = Number(words[2], "symbol rate", mux.line, 1000000, 7200000);
    mux.modulation = Modulation(words[3], { "QAM16", "QAM32", "QAM64", "QAM128", "QAM256" }, mux.line);
}

SimMultiplex ParseLine(std::vector<std::string> words, const std::string& folder, int line)
{
    const LineForm* form = nullptr;
    for (const LineForm& candidate : FORMS)
        if (words[0] == candidate.keyword)
            form = &candidate;
    if (!form)
        Refuse(line, "\"" + words[0] + "\" is not dvbt, dvbt2, dvbs, dvbs2 or dvbc");
    std::vector<std::string> options;
    while (words.size() > form->words && words.back().find('=') != std::string::npos) {
        options.insert(options.begin(), words.back());
        words.pop_back();
    }
    if (words.size() != form->words)
        Refuse(line, std::string("expected: ") + form->usage);
    SimMultiplex mux;
    mux.line = line;
    if (words[0] == "dvbt" || words[0] == "dvbt2")
        ParseTerrestrial(words, mux);
    else if (words[0] == "dvbc")
        ParseCable(words, mux);
    else
        ParseSatellite(words, mux);
    mux.file = Resolve(words.back(), folder);
    ParseOptions(options, mux);
    return mux;
}

} // namespace

SimConfig SimConfig::Parse(const std::string& text, const std::string& folder)
{
    SimConfig config;
    std::istringstream lines(text);
    std::string content;
    for (int line = 1; std::getline(lines, content); ++line) {
        content = content.substr(0, content.find('#'));
        std::istringstream split(content);
        std::vector<std::string> words;
        for (std::string word; split >> word;)
            words.push_back(word);
        if (!words.empty())
            config.m_multiplexes.push_back(ParseLine(words, folder, line));
    }
    if (config.m_multiplexes.empty())
        throw ConfigError("no multiplexes: expected lines such as \"dvbt FREQUENCY_HZ BANDWIDTH_HZ FILE.ts\" or \"dvbs "
                          "FREQUENCY_KHZ h|v SYMBOL_RATE FILE.ts\"");
    return config;
}

SimConfig SimConfig::Load(const std::string& path)
{
    std::ifstream in(path);
    if (!in)
        throw ConfigError("cannot read " + path);
    std::stringstream text;
    text << in.rdbuf();
    size_t slash = path.rfind('/');
    return Parse(text.str(), slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash));
}

bool SimConfig::Has(Delivery delivery) const
{
    for (const SimMultiplex& mux : m_multiplexes)
        if (mux.delivery == delivery)
            return true;
    return false;
}

} // namespace dvbsim
