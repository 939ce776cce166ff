#include "SimConfig.h"

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

SimMultiplex ParseLine(const std::vector<std::string>& words, const std::string& folder, int line)
{
    SimMultiplex mux;
    mux.line = line;
    if (words[0] == "dvbt") {
        if (words.size() != 4)
            Refuse(line, "expected: dvbt FREQUENCY_HZ BANDWIDTH_HZ FILE.ts");
        mux.delivery = Delivery::Terrestrial;
        mux.frequency = Number(words[1], "frequency", line, 174000000, 862000000);
        mux.bandwidthHz = Number(words[2], "bandwidth", line, 1000000, 10000000);
        mux.file = Resolve(words[3], folder);
    } else if (words[0] == "dvbs") {
        if (words.size() != 5)
            Refuse(line, "expected: dvbs FREQUENCY_KHZ h|v SYMBOL_RATE FILE.ts");
        mux.delivery = Delivery::Satellite;
        mux.frequency = Number(words[1], "frequency", line, 10700000, 12750000);
        if (words[2] != "h" && words[2] != "v")
            Refuse(line, "polarisation \"" + words[2] + "\" is not h or v");
        mux.polarisation = words[2][0];
        mux.symbolRate = Number(words[3], "symbol rate", line, 1000000, 45000000);
        mux.file = Resolve(words[4], folder);
    } else {
        Refuse(line, "\"" + words[0] + "\" is not dvbt or dvbs");
    }
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
        throw ConfigError("no multiplexes: expected lines \"dvbt FREQUENCY_HZ BANDWIDTH_HZ FILE.ts\" or \"dvbs "
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
