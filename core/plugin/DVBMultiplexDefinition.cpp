#include "plugin/DVBMultiplexDefinition.h"

CString CDVBMultiplexDefinition::TrimField(const CString& text)
{
    static constexpr const char* blanks = " \t\r\n";
    const size_t first = text.find_first_not_of(blanks);
    if (first == CString::npos)
        return "";
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

bool CDVBMultiplexDefinition::ReadFromString(const CString& line)
{
    int index = 0;
    size_t start = 0;
    for (;;) {
        const size_t comma = line.find(',', start);
        ReadFieldFromString(index++, TrimField(line.substr(start, comma - start)));
        if (comma == CString::npos)
            break;
        start = comma + 1;
    }
    return index >= GetRequiredFieldCount();
}

bool CDVBMultiplexDefinition::WriteToString(CString& line)
{
    line.clear();
    const int count = GetTotalFieldCount();
    for (int index = 0; index < count; ++index) {
        CString text;
        WriteFieldToString(index, text);
        line += text;
        if (index + 1 < count)
            line += ", ";
    }
    return true;
}

void CDVBMultiplexDefinition::CopyFrom(CDVBMultiplexDefinition* other)
{
    const int count = other->GetTotalFieldCount();
    for (int index = 0; index < count; ++index) {
        CString text;
        other->WriteFieldToString(index, text);
        ReadFieldFromString(index, text);
    }
}
