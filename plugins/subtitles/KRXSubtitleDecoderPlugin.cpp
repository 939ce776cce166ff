#include "KRXSubtitleDecoderPlugin.h"

#include "DVBDefaultColourTable.h"
#include "DVBSubtitleReceiver.h"

#include "plugin/DVBComponentDefinition.h"
#include "plugin/KRXSubtitleChoice.h"

void CKRXSubtitleDecoderPlugin::Initialise()
{
    AddDefaultColourTable(BuildDefaultColourTable());
}

void CKRXSubtitleDecoderPlugin::DeInitialise()
{
    DeleteDefaultColourTables();
}

bool CKRXSubtitleDecoderPlugin::SupportsComponent(CDVBComponentDefinition* component)
{
    // Teletext subtitle pages are the teletext decoder's.
    return component && IsSubtitleComponent(component->GetDescription())
        && !IsTeletextComponent(component->GetDescription());
}

CDVBPIDReceiver* CKRXSubtitleDecoderPlugin::OpenComponent(CDVBComponentDefinition* component)
{
    return SupportsComponent(component) ? new CDVBSubtitleReceiver(this) : nullptr;
}

bool CKRXSubtitleDecoderPlugin::CloseComponent(CDVBPIDReceiver* receiver)
{
    delete receiver;
    return true;
}
