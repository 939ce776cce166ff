#include "timers/KRXFieldLine.h"

#include <cerrno>
#include <cstdlib>

namespace {
CString Unescape(const CString& text)
{
    CString plain;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            plain += text[i];
            continue;
        }
        const char c = text[++i];
        plain += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
    }
    return plain;
}
} // namespace

CKRXFieldLine::CKRXFieldLine(const CString& line)
{
    size_t at = 0;
    while (at <= line.size()) {
        size_t end = line.find('\t', at);
        if (end == CString::npos)
            end = line.size();
        const CString field = line.substr(at, end - at);
        const size_t equals = field.find('=');
        if (equals != CString::npos)
            m_fields[field.substr(0, equals)] = Unescape(field.substr(equals + 1));
        at = end + 1;
    }
}

CString CKRXFieldLine::Escape(const CString& text)
{
    CString escaped;
    for (const char c : text) {
        if (c == '\\')
            escaped += "\\\\";
        else if (c == '\t')
            escaped += "\\t";
        else if (c == '\n')
            escaped += "\\n";
        else if (c == '\r')
            escaped += "\\r";
        else
            escaped += c;
    }
    return escaped;
}

bool CKRXFieldLine::ReadLines(const CString& text, const std::function<bool(const CString&)>& read, int& badLine)
{
    badLine = 0;
    int number = 0;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == CString::npos)
            end = text.size();
        const CString line = text.substr(at, end - at);
        at = end + 1;
        ++number;
        if (!line.empty() && !read(line) && badLine == 0)
            badLine = number;
    }
    return badLine == 0;
}

CString CKRXFieldLine::Get(const char* key) const
{
    const auto found = m_fields.find(key);
    return found == m_fields.end() ? CString() : found->second;
}

bool CKRXFieldLine::ReadNumber(const char* key, int64_t low, int64_t high, int64_t& value) const
{
    const auto found = m_fields.find(key);
    if (found == m_fields.end())
        return false;
    char* end = nullptr;
    errno = 0;
    const long long number = std::strtoll(found->second.c_str(), &end, 10);
    if (found->second.empty() || *end != '\0' || errno != 0 || number < low || number > high)
        return false;
    value = number;
    return true;
}
