#pragma once
// One entry of a user's data file: a line of tab-separated "key=value"
// fields. Tabs and line breaks separate fields and entries, so texts carry
// them escaped.
#include "platform/CString.h"

#include <cstdint>
#include <functional>
#include <map>

class CKRXFieldLine
{
public:
    // Splits the line; fields without '=' are left out.
    explicit CKRXFieldLine(const CString& line);

    // The text as a field's value holds it.
    static CString Escape(const CString& text);
    // Hands each non-empty line of a file's text to read; false with the
    // number of the first line it could not read (the others are read still).
    static bool ReadLines(const CString& text, const std::function<bool(const CString&)>& read, int& badLine);

    // The field's text, unescaped; empty when it is missing.
    CString Get(const char* key) const;
    // False when the field is missing, not a whole number or outside low..high.
    bool ReadNumber(const char* key, int64_t low, int64_t high, int64_t& value) const;

private:
    std::map<CString, CString> m_fields;
};
