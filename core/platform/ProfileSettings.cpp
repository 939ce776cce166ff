#include "platform/ProfileSettings.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <strings.h>

namespace {
CString Trim(const CString& text)
{
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == CString::npos)
        return CString();
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Names are written with %XX for bytes other than letters, digits, '-', '_'
// and '.', and '\' in place of '/'.
CString UnescapeName(const CString& name)
{
    CString result;
    for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '%' && i + 2 < name.size() && HexDigit(name[i + 1]) >= 0 && HexDigit(name[i + 2]) >= 0) {
            result += char(HexDigit(name[i + 1]) * 16 + HexDigit(name[i + 2]));
            i += 2;
        } else {
            result += name[i] == '\\' ? '/' : name[i];
        }
    }
    return result;
}

// Values that need it are written in double quotes with C-style escapes.
CString UnquoteValue(const CString& value)
{
    if (value.size() < 2 || value.front() != '"' || value.back() != '"')
        return value;
    CString result;
    for (size_t i = 1; i + 1 < value.size(); ++i) {
        if (value[i] != '\\' || i + 2 >= value.size()) {
            result += value[i];
            continue;
        }
        const char escaped = value[++i];
        result += escaped == 'n' ? '\n' : escaped == 't' ? '\t' : escaped == 'r' ? '\r' : escaped;
    }
    return result;
}

// Keys outside any group are kept under [General], so a group of that name
// is written as [%General].
CString SectionName(const CString& written)
{
    if (written == "General")
        return CString();
    if (strcasecmp(written.c_str(), "%General") == 0)
        return written.substr(1);
    return UnescapeName(written);
}
} // namespace

CProfileSettings::CProfileSettings(const CString& path)
{
    std::ifstream file(path);
    CString line, section;
    while (std::getline(file, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            section = SectionName(line.substr(1, line.size() - 2));
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == CString::npos)
            continue;
        const CString key = UnescapeName(Trim(line.substr(0, equals)));
        m_values[section + "/" + key] = UnquoteValue(Trim(line.substr(equals + 1)));
    }
}

CString CProfileSettings::GetUserSettingsPath()
{
    const char* configHome = getenv("XDG_CONFIG_HOME");
    CString folder;
    if (configHome && configHome[0] == '/')
        folder = configHome;
    else
        folder = CString(getenv("HOME") ? getenv("HOME") : "") + "/.config";
    return folder + "/Hollowmere/Korrix.conf";
}

CProfileSettings CProfileSettings::ForUser()
{
    return CProfileSettings(GetUserSettingsPath());
}

const CString* CProfileSettings::Find(const CString& section, const CString& key) const
{
    auto found = m_values.find(section + "/" + key);
    return found == m_values.end() ? nullptr : &found->second;
}

int CProfileSettings::GetInt(const CString& section, const CString& key, int defaultValue) const
{
    const CString* value = Find(section, key);
    if (!value || value->empty())
        return defaultValue;
    const bool hex = value->size() > 2 && (*value)[0] == '0' && ((*value)[1] == 'x' || (*value)[1] == 'X');
    char* end = nullptr;
    errno = 0;
    const long long number = strtoll(value->c_str(), &end, hex ? 16 : 10);
    // Colours are unsigned 32-bit values, so the whole 32-bit range is accepted.
    if (*end != '\0' || errno == ERANGE || number < INT_MIN || number > UINT_MAX)
        return defaultValue;
    return int(uint32_t(number));
}

CString CProfileSettings::GetString(const CString& section, const CString& key, const CString& defaultValue) const
{
    const CString* value = Find(section, key);
    return value ? *value : defaultValue;
}
