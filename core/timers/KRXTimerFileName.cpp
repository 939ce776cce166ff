#include "timers/KRXTimerFileName.h"

#include "timers/KRXTimer.h"

namespace {
struct Placeholder {
    const char* word;
    CString value;
};
} // namespace

CString CKRXTimerFileName::Clean(const CString& text)
{
    CString clean;
    for (const char c : text)
        clean += c == '/' || (static_cast<unsigned char>(c) < 0x20) ? '-' : c;
    return clean;
}

CString CKRXTimerFileName::Expand(const CKRXTimer& timer, const std::tm& localStart, const CString& folder)
{
    const CString pattern = timer.filePattern.empty() ? CString(kDefaultPattern) : timer.filePattern;
    const CString title = Clean(timer.title.empty() ? CString("Timer") : timer.title);
    const CString service = Clean(timer.serviceName.empty() ? FormatString("%u", timer.serviceId) : timer.serviceName);
    const Placeholder placeholders[] = {
        { "Title", title },
        { "Service", service },
        { "YYYY", FormatString("%04d", localStart.tm_year + 1900) },
        { "DD", FormatString("%02d", localStart.tm_mday) },
        { "HH", FormatString("%02d", localStart.tm_hour) },
    };
    CString name;
    bool afterHour = false; // the placeholder before was "HH"
    for (size_t at = 0; at < pattern.size();) {
        const Placeholder* matched = nullptr;
        for (const Placeholder& placeholder : placeholders) {
            if (pattern.compare(at, CString(placeholder.word).size(), placeholder.word) == 0)
                matched = &placeholder;
        }
        if (matched != nullptr) {
            name += matched->value;
            afterHour = CString(matched->word) == "HH";
            at += CString(matched->word).size();
        } else if (pattern.compare(at, 2, "MM") == 0) {
            name += FormatString("%02d", afterHour ? localStart.tm_min : localStart.tm_mon + 1);
            afterHour = false;
            at += 2;
        } else
            name += pattern[at++];
    }
    if (name.starts_with('/') || folder.empty())
        return name;
    return folder.ends_with('/') ? folder + name : folder + "/" + name;
}
