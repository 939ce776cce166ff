#include "KRXNetSSDPReply.h"

#include "plugin/DVBMultiplexDefinition.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {
bool StartsWithNoCase(const CString& text, const CString& prefix)
{
    return text.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

// XML's own five entities; others are left as they are.
CString DecodeEntities(const CString& text)
{
    static const std::pair<const char*, char> entities[]
        = { { "&lt;", '<' }, { "&gt;", '>' }, { "&amp;", '&' }, { "&quot;", '"' }, { "&apos;", '\'' } };
    CString decoded;
    for (size_t at = 0; at < text.size();) {
        const auto entity = std::find_if(std::begin(entities), std::end(entities), [&](const auto& candidate) {
            return text.compare(at, std::strlen(candidate.first), candidate.first) == 0;
        });
        if (text[at] == '&' && entity != std::end(entities)) {
            decoded += entity->second;
            at += std::strlen(entity->first);
        } else
            decoded += text[at++];
    }
    return decoded;
}

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The text of the first element whose name ends with the given one (any
// namespace prefix), without its attributes. One pass: the last '<' before
// each match, and whether white space followed it, are carried forward rather
// than searched for again, so a hostile description costs its length.
CString ElementText(const CString& xml, const CString& name)
{
    size_t open = CString::npos;
    bool spaceSinceOpen = false;
    size_t scanned = 0;
    for (size_t at = xml.find(name); at != CString::npos; at = xml.find(name, at + 1)) {
        for (; scanned < at; ++scanned) {
            if (xml[scanned] == '<') {
                open = scanned;
                spaceSinceOpen = false;
            } else if (IsSpace(xml[scanned]))
                spaceSinceOpen = true;
        }
        if (open == CString::npos || xml[open + 1] == '/' || spaceSinceOpen)
            continue;
        const size_t after = at + name.size();
        if (after >= xml.size() || (xml[after] != '>' && xml[after] != ' '))
            continue;
        const size_t start = xml.find('>', after);
        const size_t end = start == CString::npos ? CString::npos : xml.find('<', start);
        if (end == CString::npos)
            return "";
        return DecodeEntities(CDVBMultiplexDefinition::TrimField(xml.substr(start + 1, end - start - 1)));
    }
    return "";
}
} // namespace

bool ParseSSDPReply(const CString& text, KRXNetSSDPReply& reply)
{
    reply = KRXNetSSDPReply();
    size_t start = 0;
    bool first = true;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == CString::npos)
            end = text.size();
        const CString line = CDVBMultiplexDefinition::TrimField(text.substr(start, end - start));
        start = end + 1;
        if (first) {
            if (!StartsWithNoCase(line, "HTTP/1.1 200"))
                return false;
            first = false;
            continue;
        }
        const size_t colon = line.find(':');
        if (colon == CString::npos)
            continue;
        const CString name = line.substr(0, colon);
        const CString value = CDVBMultiplexDefinition::TrimField(line.substr(colon + 1));
        const auto is = [&name](const char* header) {
            return name.size() == std::char_traits<char>::length(header) && StartsWithNoCase(name, header);
        };
        if (is("LOCATION"))
            reply.location = value;
        else if (is("ST"))
            reply.searchTarget = value;
        else if (is("USN"))
            reply.uniqueName = value;
        else if (is("SERVER"))
            reply.server = value;
    }
    return !reply.location.empty();
}

bool ParseSatIpDeviceDescription(const CString& xml, KRXNetSatIpDevice& device)
{
    device.friendlyName = ElementText(xml, "friendlyName");
    device.capabilities = ElementText(xml, "X_SATIPCAP");
    return !device.friendlyName.empty();
}
