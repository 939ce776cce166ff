#include "plugin/KRXLoadedPlugins.h"

#include "plugin/KRXInputPlugin.h"
#include "plugin/KRXPluginManager.h"

CKRXLoadedPlugins::CKRXLoadedPlugins(const CString& folder)
    : m_manager(CKRXPluginManager::GetPluginManager())
{
    m_folder = folder.empty() ? m_manager->GetPluginFolderPath() : folder;
    if (folder.empty())
        m_manager->LoadPlugins();
    else
        m_manager->LoadPluginsFromFolder(folder);
    for (int i = 0; i < m_manager->GetPluginCount(); ++i) {
        if (CKRXPlugin* plugin = m_manager->GetPluginAtIndex(i))
            plugin->Initialise();
    }
}

CKRXLoadedPlugins::~CKRXLoadedPlugins()
{
    for (int i = 0; i < m_manager->GetPluginCount(); ++i) {
        if (CKRXPlugin* plugin = m_manager->GetPluginAtIndex(i))
            plugin->DeInitialise();
    }
    m_manager->UnloadPlugins();
}

CKRXInputPlugin* CKRXLoadedPlugins::FindInputPlugin(const CString& name) const
{
    for (int index = 0;; ++index) {
        auto* plugin = static_cast<CKRXInputPlugin*>(m_manager->GetPluginWithType(KRX_PLUGIN_INPUT, index));
        if (plugin == nullptr || plugin->GetName() == name)
            return plugin;
    }
}
