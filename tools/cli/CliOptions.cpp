#include "CliOptions.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace {
// About eleven days: longer is surely a typing error.
constexpr long kMostSeconds = 1000000;

// A whole number of seconds from 1 to kMostSeconds; false for anything else.
bool ParseCliSeconds(const CString& text, int& seconds)
{
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || value < 1 || value > kMostSeconds)
        return false;
    seconds = static_cast<int>(value);
    return true;
}
} // namespace

CString ParseFileCommandLine(const KRXCliArguments& arguments, const CString& command, const CString& purpose,
    std::initializer_list<const char*> valueOptions, KRXFileCommandLine& line,
    std::initializer_list<const char*> flagOptions, bool fileRequired)
{
    for (size_t i = 0; i < arguments.size(); ++i) {
        const CString& argument = arguments[i];
        const bool takesValue = std::find(valueOptions.begin(), valueOptions.end(), argument) != valueOptions.end();
        const bool isFlag = std::find(flagOptions.begin(), flagOptions.end(), argument) != flagOptions.end();
        if (isFlag) {
            line.values[argument] = "";
        } else if (takesValue) {
            if (i + 1 == arguments.size())
                return "'" + argument + "' needs a value";
            line.values[argument] = arguments[++i];
        } else if (argument.size() > 1 && argument[0] == '-') {
            return "unknown option '" + argument + "'";
        } else if (line.file.empty()) {
            line.file = argument;
        } else {
            return "'" + command + "' takes one file, not also '" + argument + "'";
        }
    }
    return line.file.empty() && fileRequired ? "'" + command + "' needs a file to " + purpose : "";
}

CString ReadSecondsOption(const KRXFileCommandLine& line, int& seconds)
{
    const auto given = line.values.find("--seconds");
    if (given == line.values.end() || ParseCliSeconds(given->second, seconds))
        return "";
    return FormatString(
        "'--seconds' needs a whole number of seconds from 1 to %ld, not '%s'", kMostSeconds, given->second.c_str());
}
