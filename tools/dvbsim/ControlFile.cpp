#include "ControlFile.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace dvbsim {

Reception ParseReception(const std::string& text)
{
    std::istringstream words(text);
    std::string word;
    words >> word;
    if (word.empty() || word == "signal")
        return Reception::Signal;
    if (word == "nosignal")
        return Reception::NoSignal;
    if (word == "unplugged")
        return Reception::Unplugged;
    throw std::invalid_argument("\"" + word + "\" is not signal, nosignal or unplugged");
}

Reception ReadReception(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    if (in)
        text << in.rdbuf();
    try {
        return ParseReception(text.str());
    } catch (const std::invalid_argument&) {
        // A half-written file reads as before: keep receiving.
        return Reception::Signal;
    }
}

} // namespace dvbsim
