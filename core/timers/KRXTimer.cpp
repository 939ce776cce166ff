#include "timers/KRXTimer.h"

#include "timers/KRXFieldLine.h"

namespace {
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
        id, CKRXFieldLine::Escape(input).c_str(), CKRXFieldLine::Escape(multiplex).c_str(), originalNetworkId,
        transportStreamId, serviceId, CKRXFieldLine::Escape(serviceName).c_str(), start, stop, paddingBefore,
        paddingAfter, eventId, CKRXFieldLine::Escape(title).c_str(), followEvent ? 1 : 0,
        CKRXFieldLine::Escape(filePattern).c_str(), StateName(state), CKRXFieldLine::Escape(reason).c_str(),
        CKRXFieldLine::Escape(conflict).c_str(), CKRXFieldLine::Escape(file).c_str());
}

bool CKRXTimer::FromLine(const CString& line, CKRXTimer& timer)
{
    const CKRXFieldLine fields(line);
    int64_t id, onid, tsid, sid, event, follow;
    CKRXTimer read;
    const bool numbers = fields.ReadNumber("id", 1, INT32_MAX, id) && fields.ReadNumber("onid", 0, 0xFFFF, onid)
        && fields.ReadNumber("tsid", 0, 0xFFFF, tsid) && fields.ReadNumber("sid", 0, 0xFFFF, sid)
        && fields.ReadNumber("start", 0, kLatest, read.start)
        && fields.ReadNumber("stop", read.start, kLatest, read.stop)
        && fields.ReadNumber("before", 0, kLatest, read.paddingBefore)
        && fields.ReadNumber("after", 0, kLatest, read.paddingAfter)
        && fields.ReadNumber("event", kNoEvent, 0xFFFF, event) && fields.ReadNumber("follow", 0, 1, follow);
    if (!numbers || !ReadState(fields.Get("state"), read.state) || fields.Get("input").empty()
        || fields.Get("multiplex").empty())
        return false;
    read.id = int(id);
    read.originalNetworkId = static_cast<unsigned short>(onid);
    read.transportStreamId = static_cast<unsigned short>(tsid);
    read.serviceId = static_cast<unsigned short>(sid);
    read.eventId = int(event);
    read.followEvent = follow != 0;
    read.input = fields.Get("input");
    read.multiplex = fields.Get("multiplex");
    read.serviceName = fields.Get("service");
    read.title = fields.Get("title");
    read.filePattern = fields.Get("pattern");
    read.reason = fields.Get("reason");
    read.conflict = fields.Get("conflict");
    read.file = fields.Get("file");
    timer = read;
    return true;
}
