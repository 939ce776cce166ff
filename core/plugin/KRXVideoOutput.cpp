#include "plugin/KRXVideoOutput.h"

#include "platform/CriticalSection.h"

#include <atomic>

namespace {
CCriticalSection outputSection;
CKRXVideoOutput::Kind outputKind = CKRXVideoOutput::Window;
CString outputPath;
bool placeSet = false;
int placeX = 0;
int placeY = 0;
std::atomic<CKRXVideoOutput::FullScreenRequest> fullScreenRequest { CKRXVideoOutput::NoRequest };
} // namespace

void CKRXVideoOutput::SetWindowPlace(int x, int y)
{
    CSingleLock lock(&outputSection, true);
    placeSet = true;
    placeX = x;
    placeY = y;
}

bool CKRXVideoOutput::GetWindowPlace(int& x, int& y)
{
    CSingleLock lock(&outputSection, true);
    x = placeX;
    y = placeY;
    return placeSet;
}

void CKRXVideoOutput::Set(Kind kind, const CString& path)
{
    CSingleLock lock(&outputSection, true);
    outputKind = kind;
    outputPath = path;
}

CKRXVideoOutput::Kind CKRXVideoOutput::GetKind()
{
    CSingleLock lock(&outputSection, true);
    return outputKind;
}

CString CKRXVideoOutput::GetPath()
{
    CSingleLock lock(&outputSection, true);
    return outputPath;
}

void CKRXVideoOutput::RequestFullScreen(FullScreenRequest request)
{
    fullScreenRequest = request;
}

CKRXVideoOutput::FullScreenRequest CKRXVideoOutput::TakeFullScreenRequest()
{
    return fullScreenRequest.exchange(NoRequest);
}
