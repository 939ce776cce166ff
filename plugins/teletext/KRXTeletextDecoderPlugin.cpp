#include "KRXTeletextDecoderPlugin.h"

#include "DVBTeletextReceiver.h"
#include "DVBZVBITeletextDecoder.h"

#include "plugin/DVBComponentDefinition.h"
#include "plugin/KRXSubtitleChoice.h"

#include <cstdlib>

bool CKRXTeletextDecoderPlugin::SupportsComponent(CDVBComponentDefinition* component)
{
    return component && IsTeletextComponent(component->GetDescription());
}

CDVBPIDReceiver* CKRXTeletextDecoderPlugin::OpenComponent(CDVBComponentDefinition* component)
{
    if (!SupportsComponent(component))
        return nullptr;
    return new CDVBTeletextReceiver(
        this, std::make_unique<CDVBZVBITeletextDecoder>(), GetSubtitlePage(component->GetDescription()));
}

bool CKRXTeletextDecoderPlugin::CloseComponent(CDVBPIDReceiver* receiver)
{
    delete receiver;
    return true;
}

int CKRXTeletextDecoderPlugin::GetSubtitlePage(const CString& description)
{
    const char marker[] = "(teletext ";
    const size_t at = description.find(marker);
    if (!description.starts_with("sub") || at == CString::npos)
        return 0;
    const CString digits = description.substr(at + sizeof marker - 1, 3);
    char* end = nullptr;
    const long page = std::strtol(digits.c_str(), &end, 16);
    return end == digits.c_str() + 3 && page >= 0x100 && page <= 0x8FF ? int(page) : 0;
}
