#pragma once
// Base of every plug-in a KRX*.so module registers with the plug-in manager.
#include "platform/CString.h"

// Plug-in kinds, as returned by GetType.
enum EKRXPluginType {
    KRX_PLUGIN_BASE = 0,
    KRX_PLUGIN_INPUT = 1,
    KRX_PLUGIN_DECODER = 2,
    KRX_PLUGIN_DISPLAY = 3,
};

class CKRXPlugin
{
public:
    // The order of these virtual operations is the interface with the plug-ins.
    virtual ~CKRXPlugin() = default;
    virtual int GetType() { return KRX_PLUGIN_BASE; }
    virtual CString GetName() { return "Unnamed plugin"; }
    virtual CString GetDescription() { return "No description."; }
    virtual void Initialise() { }
    virtual void DeInitialise() { }
};
