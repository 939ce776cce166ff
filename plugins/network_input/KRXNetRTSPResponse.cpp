#include "KRXNetRTSPResponse.h"

#include "plugin/DVBMultiplexDefinition.h"

#include <algorithm>
#include <charconv>

namespace {
constexpr uint32_t kDefaultTimeoutSeconds = 60;

template <typename Number> bool ReadNumber(const CString& text, Number& number)
{
    const auto [end, fault] = std::from_chars(text.data(), text.data() + text.size(), number);
    return fault == std::errc() && end == text.data() + text.size();
}

CString Lower(CString text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}
} // namespace

bool ParseRTSPResponse(const CString& head, KRXNetRTSPResponse& response)
{
    response = KRXNetRTSPResponse();
    size_t start = 0;
    bool first = true;
    while (start < head.size()) {
        size_t end = head.find('\n', start);
        if (end == CString::npos)
            end = head.size();
        const CString line = CDVBMultiplexDefinition::TrimField(head.substr(start, end - start));
        start = end + 1;
        if (first) {
            // "RTSP/1.0 200 OK"
            if (line.rfind("RTSP/", 0) != 0 || line.size() < 12 || line[8] != ' ')
                return false;
            if (!ReadNumber(line.substr(9, 3), response.status) || (line.size() > 12 && line[12] != ' '))
                return false;
            response.reason = line.size() > 13 ? line.substr(13) : "";
            first = false;
            continue;
        }
        const size_t colon = line.find(':');
        if (colon == CString::npos || colon == 0)
            continue;
        response.headers[Lower(line.substr(0, colon))] = CDVBMultiplexDefinition::TrimField(line.substr(colon + 1));
    }
    return !first;
}

CString KRXNetRTSPResponse::Header(const CString& lowerCaseName) const
{
    const auto found = headers.find(lowerCaseName);
    return found == headers.end() ? CString() : found->second;
}

bool KRXNetRTSPResponse::GetSession(CString& id, uint32_t& timeoutSeconds) const
{
    const CString session = Header("session");
    const size_t semicolon = session.find(';');
    id = CDVBMultiplexDefinition::TrimField(session.substr(0, semicolon));
    timeoutSeconds = kDefaultTimeoutSeconds;
    if (semicolon != CString::npos) {
        const CString parameter = CDVBMultiplexDefinition::TrimField(session.substr(semicolon + 1));
        const CString name = "timeout=";
        uint32_t seconds = 0;
        if (Lower(parameter).rfind(name, 0) == 0 && ReadNumber(parameter.substr(name.size()), seconds) && seconds > 0)
            timeoutSeconds = seconds;
    }
    return !id.empty();
}

bool KRXNetRTSPResponse::GetStreamId(uint32_t& streamId) const
{
    return ReadNumber(Header("com.ses.streamid"), streamId);
}
