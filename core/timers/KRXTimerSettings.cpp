#include "timers/KRXTimerSettings.h"

#include "timers/KRXTimer.h"

#include <algorithm>
#include <cstdlib>

namespace {
int64_t ReadMinutes(const CProfileSettings& settings, const char* key, int64_t defaultSeconds)
{
    return int64_t(std::max(0, settings.GetInt("Timers", key, int(defaultSeconds / 60)))) * 60;
}

CString HomeFolder()
{
    const char* home = std::getenv("HOME");
    return home != nullptr && *home != '\0' ? CString(home) + "/" : CString("/");
}
} // namespace

CKRXTimerSettings::CKRXTimerSettings(const CProfileSettings& settings)
    : m_paddingBefore(ReadMinutes(settings, "Padding Before", CKRXTimer::kDefaultPaddingBefore))
    , m_paddingAfter(ReadMinutes(settings, "Padding After", CKRXTimer::kDefaultPaddingAfter))
{
    const CString recordPath = settings.GetString("General", "Record Path", "");
    const size_t slash = recordPath.rfind('/');
    m_recordingFolder = slash == CString::npos ? HomeFolder() : recordPath.substr(0, slash + 1);
}
