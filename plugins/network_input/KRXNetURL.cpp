#include "KRXNetURL.h"

#include <charconv>

namespace {
bool ParsePort(const CString& text, uint16_t& port)
{
    unsigned value = 0;
    const auto [end, fault] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (fault != std::errc() || end != text.data() + text.size() || value == 0 || value > 65535)
        return false;
    port = static_cast<uint16_t>(value);
    return true;
}

// "HOST:PORT" or "[V6]:PORT"; the port is required when required is true.
bool SplitHostPort(const CString& authority, bool required, KRXNetURL& url, CString& error)
{
    size_t colon = authority.rfind(':');
    if (!authority.empty() && authority[0] == '[') {
        const size_t close = authority.find(']');
        if (close == CString::npos) {
            error = "an unclosed '[' in the address";
            return false;
        }
        url.host = authority.substr(1, close - 1);
        colon = close + 1 < authority.size() && authority[close + 1] == ':' ? close + 1 : CString::npos;
    } else
        url.host = authority.substr(0, colon);
    if (colon == CString::npos) {
        if (required)
            error = "no port";
        return !required;
    }
    if (!ParsePort(authority.substr(colon + 1), url.port)) {
        error = "the port '" + authority.substr(colon + 1) + "' is not a number from 1 to 65535";
        return false;
    }
    return true;
}

// "iface=NAME" and "ifaddr=ADDRESS", separated by '&'.
bool ParseDatagramOptions(const CString& query, KRXNetURL& url, CString& error)
{
    size_t start = 0;
    while (start < query.size()) {
        const size_t end = std::min(query.find('&', start), query.size());
        const CString option = query.substr(start, end - start);
        const size_t equals = option.find('=');
        const CString name = option.substr(0, equals);
        const CString value = equals == CString::npos ? "" : option.substr(equals + 1);
        if (name == "iface" && !value.empty())
            url.interfaceName = value;
        else if (name == "ifaddr" && !value.empty())
            url.interfaceAddress = value;
        else {
            error = "unknown option '" + option + "' (iface=NAME or ifaddr=ADDRESS)";
            return false;
        }
        start = end + 1;
    }
    return true;
}

bool ParseDatagramURL(const CString& rest, KRXNetURL& url, CString& error)
{
    const size_t question = rest.find('?');
    CString authority = rest.substr(0, question);
    if (!authority.empty() && authority.back() == '/')
        authority.pop_back();
    if (!authority.empty() && authority[0] == '@') {
        url.multicast = true;
        authority.erase(0, 1);
    }
    if (!SplitHostPort(authority, true, url, error))
        return false;
    if (url.multicast && url.host.empty()) {
        error = "'@' needs a group address";
        return false;
    }
    return question == CString::npos || ParseDatagramOptions(rest.substr(question + 1), url, error);
}

bool ParseSatIpURL(const CString& rest, KRXNetURL& url, CString& error)
{
    const size_t slash = rest.find('/');
    const size_t question = rest.find('?');
    if (question == CString::npos || (slash != CString::npos && slash > question)) {
        error = "no tuning query ('?src=...&freq=...')";
        return false;
    }
    if (!SplitHostPort(rest.substr(0, std::min(slash, question)), false, url, error))
        return false;
    if (url.host.empty()) {
        error = "no server";
        return false;
    }
    if (url.port == 0)
        url.port = 554;
    url.query = rest.substr(question + 1);
    return true;
}
} // namespace

bool ParseNetURL(const CString& text, KRXNetURL& url, CString& error)
{
    url = KRXNetURL();
    url.text = text;
    const size_t scheme = text.find("://");
    if (scheme == CString::npos) {
        error = "not a URL";
        return false;
    }
    const CString name = text.substr(0, scheme);
    const CString rest = text.substr(scheme + 3);
    if (name == "udp" || name == "rtp") {
        url.kind = name == "udp" ? KRXNetURL::UDP : KRXNetURL::RTP;
        return ParseDatagramURL(rest, url, error);
    }
    if (name == "http" || name == "https") {
        url.kind = KRXNetURL::HTTP;
        if (rest.empty() || rest[0] == '/') {
            error = "no server";
            return false;
        }
        return true;
    }
    if (name == "satip") {
        url.kind = KRXNetURL::SATIP;
        return ParseSatIpURL(rest, url, error);
    }
    error = "the scheme '" + name + "' is none of udp, rtp, http, https and satip";
    return false;
}
