#include "platform/CString.h"

#include <cstdio>

CString FormatStringV(const char* format, va_list args)
{
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length <= 0)
        return CString();
    CString text(static_cast<size_t>(length), '\0');
    std::vsnprintf(text.data(), text.size() + 1, format, args);
    return text;
}

CString FormatString(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    CString text = FormatStringV(format, args);
    va_end(args);
    return text;
}
