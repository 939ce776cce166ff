#include "plugin/KRXDeinterlace.h"

#include <atomic>

namespace {
std::atomic<CKRXDeinterlace::Mode> chosenMode { CKRXDeinterlace::Auto };
constexpr const char* kNames[] = { "auto", "off", "bwdif", "yadif" };
} // namespace

void CKRXDeinterlace::Set(Mode mode)
{
    chosenMode.store(mode);
}

CKRXDeinterlace::Mode CKRXDeinterlace::Get()
{
    return chosenMode.load();
}

const char* CKRXDeinterlace::GetName(Mode mode)
{
    return kNames[mode];
}

bool CKRXDeinterlace::Parse(const CString& text, Mode& mode)
{
    for (int named = Auto; named <= Yadif; ++named) {
        if (text == kNames[named]) {
            mode = static_cast<Mode>(named);
            return true;
        }
    }
    return false;
}
