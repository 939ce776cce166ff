#include "plugin/KRXAudioOutput.h"

#include "platform/CriticalSection.h"

namespace {
CCriticalSection outputSection;
CKRXAudioOutput::Kind outputKind = CKRXAudioOutput::Device;
CString outputPath;
} // namespace

void CKRXAudioOutput::Set(Kind kind, const CString& path)
{
    CSingleLock lock(&outputSection, true);
    outputKind = kind;
    outputPath = path;
}

CKRXAudioOutput::Kind CKRXAudioOutput::GetKind()
{
    CSingleLock lock(&outputSection, true);
    return outputKind;
}

CString CKRXAudioOutput::GetPath()
{
    CSingleLock lock(&outputSection, true);
    return outputPath;
}
