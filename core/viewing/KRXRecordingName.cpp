#include "viewing/KRXRecordingName.h"

namespace {
// Where the extension starts in the file name's part of the path; its end when there is none.
size_t ExtensionAt(const CString& path)
{
    const size_t slash = path.rfind('/');
    const size_t nameAt = slash == CString::npos ? 0 : slash + 1;
    const size_t dot = path.rfind('.');
    // A name that is only an extension (".ts") has none.
    return dot == CString::npos || dot <= nameAt ? path.size() : dot;
}
} // namespace

CString CKRXRecordingName::Stamp(const CString& path, const std::tm& when)
{
    char stamp[32];
    std::strftime(stamp, sizeof stamp, " %Y-%m-%d %H-%M-%S", &when);
    CString stamped = path;
    stamped.insert(ExtensionAt(path), stamp);
    return stamped;
}

CString CKRXRecordingName::FirstFree(const CString& path, const std::function<bool(const CString&)>& taken)
{
    CString candidate = path;
    for (int number = 2; taken(candidate); ++number) {
        candidate = path;
        candidate.insert(ExtensionAt(path), FormatString(" (%d)", number));
    }
    return candidate;
}

CString CKRXRecordingName::FormatProgress(uint64_t seconds, uint64_t bytes)
{
    return FormatString("%u:%02u:%02u, %.1f MB", unsigned(seconds / 3600), unsigned(seconds / 60 % 60),
        unsigned(seconds % 60), double(bytes) / 1e6);
}
