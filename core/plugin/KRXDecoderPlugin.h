#pragma once
// A plug-in that decodes one kind of elementary stream: it makes a PID
// receiver for each component it accepts and takes it back when it closes.
#include "plugin/KRXPlugin.h"

class CDVBComponentDefinition;
class CDVBPIDReceiver;

class CKRXDecoderPlugin : public CKRXPlugin
{
public:
    int GetType() override { return KRX_PLUGIN_DECODER; }
    virtual bool SupportsComponent(CDVBComponentDefinition*) { return false; }
    virtual CDVBPIDReceiver* OpenComponent(CDVBComponentDefinition*) { return nullptr; }
    virtual bool CloseComponent(CDVBPIDReceiver*) { return false; }
};
