#include "viewing/KRXFavourite.h"

#include "timers/KRXFieldLine.h"

CString SKRXFavourite::ToLine() const
{
    return FormatString("input=%s\tmultiplex=%s\tsid=%u\tname=%s", CKRXFieldLine::Escape(input).c_str(),
        CKRXFieldLine::Escape(multiplex).c_str(), serviceId, CKRXFieldLine::Escape(name).c_str());
}

bool SKRXFavourite::FromLine(const CString& line, SKRXFavourite& favourite)
{
    const CKRXFieldLine fields(line);
    int64_t sid = 0;
    if (!fields.ReadNumber("sid", 0, 0xFFFF, sid) || fields.Get("input").empty() || fields.Get("multiplex").empty())
        return false;
    favourite = { fields.Get("input"), fields.Get("multiplex"), static_cast<unsigned short>(sid), fields.Get("name") };
    return true;
}
