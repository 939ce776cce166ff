#pragma once
// 8-bit text as the rest of the system uses it, and printf-style formatting.
// 64-bit integers are formatted with the <cinttypes> macros (PRId64, PRIu64).
#include <cinttypes>
#include <cstdarg>
#include <string>

using CString = std::string;

CString FormatString(const char* format, ...) __attribute__((format(printf, 1, 2)));
CString FormatStringV(const char* format, va_list args);
