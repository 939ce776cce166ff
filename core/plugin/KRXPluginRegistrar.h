#pragma once
// Each plug-in module defines one static registrar for its plug-in class:
//     static CKRXPluginRegistrar<CKRXFileInputPlugin> g_registrar;
// Loading the module constructs it, which creates and registers the plug-in;
// unloading destroys it, which deletes the plug-in.
#include "plugin/KRXPluginManager.h"

template <class Plugin> class CKRXPluginRegistrar
{
public:
    CKRXPluginRegistrar()
        : m_plugin(new Plugin)
    {
        // A full registry leaves the plug-in unregistered; it is deleted all the same.
        CKRXPluginManager::GetPluginManager()->AddPlugin(m_plugin);
    }
    ~CKRXPluginRegistrar() { delete m_plugin; }
    CKRXPluginRegistrar(const CKRXPluginRegistrar&) = delete;
    CKRXPluginRegistrar& operator=(const CKRXPluginRegistrar&) = delete;

private:
    Plugin* m_plugin;
};
