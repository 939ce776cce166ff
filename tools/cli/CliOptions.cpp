#include "CliOptions.h"

#include <cerrno>
#include <cstdlib>

bool ParseCliSeconds(const CString& text, int& seconds)
{
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || value < 1 || value > 1000000)
        return false;
    seconds = static_cast<int>(value);
    return true;
}
