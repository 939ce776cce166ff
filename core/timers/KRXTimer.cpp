#include "timers/KRXTimer.h"

#include <cerrno>
#include <cstdlib>
#include <map>

namespace {
// Tabs and line breaks separate fields and timers, so texts carry them escaped.
CString Escape(const CString& text)
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

bool ReadNumber(const std::map<CString, CString>& fields, const char* key, int64_t low, int64_t high, int64_t& value)
{
    const auto found = fields.find(key);
    if (found == fields.end())
        return false;
    char* end = nullptr;
    errno = 0;
    const long long number = std::strtoll(found->second.c_str(), &end, 10);
    if (found->second.empty() || *end != '\0' || errno != 0 || number < low || number > high)
        return false;
    value = number;
    return true;
}

bool ReadState(const CString& text, EKRXTimerState& state)
{
    for (const EKRXTimerState candidate :
        { EKRXTimerState::Waiting, EKRXTimerState::Recording, EKRXTimerState::Done, EKRXTimerState::Failed }) {
        if (text == CKRXTimer::StateName(candidate)) {
            state = candidate;
            return true;
        }
    }
    return false;
}

std::map<CString, CString> SplitFields(const CString& line)
{
    std::map<CString, CString> fields;
    size_t at = 0;
    while (at <= line.size()) {
        size_t end = line.find('\t', at);
        if (end == CString::npos)
            end = line.size();
        const CString field = line.substr(at, end - at);
        const size_t equals = field.find('=');
        if (equals != CString::npos)
            fields[field.substr(0, equals)] = Unescape(field.substr(equals + 1));
        at = end + 1;
    }
    return fields;
}

constexpr int64_t kLatest = int64_t(1) << 40;
} // namespace

const char* CKRXTimer::StateName(EKRXTimerState state)
{
    switch (state) {
    case EKRXTimerState::Waiting:
        return "waiting";
    case EKRXTimerState::Recording:
        return "recording";
    case EKRXTimerState::Done:
        return "done";
    case EKRXTimerState::Failed:
        return "failed";
    }
    return "";
}

CString CKRXTimer::ToLine() const
{
    return FormatString("id=%d\tinput=%s\tmultiplex=%s\tonid=%u\ttsid=%u\tsid=%u\tservice=%s\tstart=%" PRId64
                        "\tstop=%" PRId64 "\tbefore=%" PRId64 "\tafter=%" PRId64 "\tevent=%d\ttitle=%s\tfollow=%d"
                        "\tpattern=%s\tstate=%s\treason=%s\tconflict=%s\tfile=%s",
        id, Escape(input).c_str(), Escape(multiplex).c_str(), originalNetworkId, transportStreamId, serviceId,
        Escape(serviceName).c_str(), start, stop, paddingBefore, paddingAfter, eventId, Escape(title).c_str(),
        followEvent ? 1 : 0, Escape(filePattern).c_str(), StateName(state), Escape(reason).c_str(),
        Escape(conflict).c_str(), Escape(file).c_str());
}

bool CKRXTimer::FromLine(const CString& line, CKRXTimer& timer)
{
    std::map<CString, CString> fields = SplitFields(line);
    int64_t id, onid, tsid, sid, event, follow;
    CKRXTimer read;
    const bool numbers = ReadNumber(fields, "id", 1, INT32_MAX, id) && ReadNumber(fields, "onid", 0, 0xFFFF, onid)
        && ReadNumber(fields, "tsid", 0, 0xFFFF, tsid) && ReadNumber(fields, "sid", 0, 0xFFFF, sid)
        && ReadNumber(fields, "start", 0, kLatest, read.start)
        && ReadNumber(fields, "stop", read.start, kLatest, read.stop)
        && ReadNumber(fields, "before", 0, kLatest, read.paddingBefore)
        && ReadNumber(fields, "after", 0, kLatest, read.paddingAfter)
        && ReadNumber(fields, "event", kNoEvent, 0xFFFF, event) && ReadNumber(fields, "follow", 0, 1, follow);
    if (!numbers || !ReadState(fields["state"], read.state) || fields["input"].empty() || fields["multiplex"].empty())
        return false;
    read.id = int(id);
    read.originalNetworkId = static_cast<unsigned short>(onid);
    read.transportStreamId = static_cast<unsigned short>(tsid);
    read.serviceId = static_cast<unsigned short>(sid);
    read.eventId = int(event);
    read.followEvent = follow != 0;
    read.input = fields["input"];
    read.multiplex = fields["multiplex"];
    read.serviceName = fields["service"];
    read.title = fields["title"];
    read.filePattern = fields["pattern"];
    read.reason = fields["reason"];
    read.conflict = fields["conflict"];
    read.file = fields["file"];
    timer = read;
    return true;
}
