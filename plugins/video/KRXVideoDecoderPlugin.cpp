#include "KRXVideoDecoderPlugin.h"

#include "DVBVideoDecoderState.h"
#include "DVBVideoReceiver.h"

#include "plugin/DVBComponentDefinition.h"

#include <memory>
#include <strings.h>

CString CKRXVideoDecoderPlugin::GetDescription()
{
    return "MPEG-2 Video Decoder. Uses libmpeg2 by Aaron Holtzman and Michel Lespinasse\r\n"
           "http://libmpeg2.sourceforge.net/";
}

bool CKRXVideoDecoderPlugin::SupportsComponent(CDVBComponentDefinition* component)
{
    return component && strcasecmp(component->GetDescription().c_str(), "video") == 0;
}

CDVBPIDReceiver* CKRXVideoDecoderPlugin::OpenComponent(CDVBComponentDefinition* component)
{
    if (!SupportsComponent(component))
        return nullptr;
    return new CDVBVideoReceiver(this, std::make_unique<CDVBVideoDecoderState>());
}

bool CKRXVideoDecoderPlugin::CloseComponent(CDVBPIDReceiver* receiver)
{
    delete receiver;
    return true;
}
