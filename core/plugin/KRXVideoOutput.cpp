#include "plugin/KRXVideoOutput.h"

#include "platform/CriticalSection.h"

namespace {
CCriticalSection outputSection;
CKRXVideoOutput::Kind outputKind = CKRXVideoOutput::Window;
CString outputPath;
} // namespace

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
