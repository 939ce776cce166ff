#include "plugin/KRXPluginManager.h"

#include "platform/DebugOutput.h"
#include "platform/ProgramFolder.h"
#include "plugin/KRXPlugin.h"

#include <algorithm>
#include <dirent.h>
#include <dlfcn.h>
#include <fnmatch.h>
#include <strings.h>
#include <vector>

namespace {
// The core library matches the module pattern itself and must not be loaded twice.
bool IsPluginModuleName(const char* name)
{
    return fnmatch("KRX*.so", name, 0) == 0 && strcasecmp(name, "KRXCore.so") != 0;
}

// Sorted so that plug-ins (and the input tabs made from them) keep one order
// whatever order the file system lists the folder in.
std::vector<CString> FindPluginModules(const CString& folder)
{
    std::vector<CString> names;
    DIR* directory = opendir(folder.c_str());
    if (directory == nullptr)
        return names;
    while (const dirent* entry = readdir(directory)) {
        if (IsPluginModuleName(entry->d_name))
            names.emplace_back(entry->d_name);
    }
    closedir(directory);
    std::sort(names.begin(), names.end());
    return names;
}
} // namespace

CKRXPluginManager* CKRXPluginManager::GetPluginManager()
{
    static CKRXPluginManager manager;
    return &manager;
}

bool CKRXPluginManager::AddPlugin(CKRXPlugin* plugin)
{
    if (m_pluginCount >= MaximumPlugins)
        return false;
    m_plugins[m_pluginCount++] = plugin;
    return true;
}

CKRXPlugin* CKRXPluginManager::GetPluginAtIndex(int index) const
{
    if (index < 0 || index >= m_pluginCount)
        return nullptr;
    return m_plugins[index];
}

CKRXPlugin* CKRXPluginManager::GetPluginWithType(int type, int index) const
{
    for (int i = 0; i < m_pluginCount; ++i) {
        CKRXPlugin* plugin = m_plugins[i];
        if (plugin != nullptr && plugin->GetType() == type && index-- == 0)
            return plugin;
    }
    return nullptr;
}

CString CKRXPluginManager::GetPluginFolderPath()
{
    if (!m_folderKnown) {
        m_pluginFolderPath = GetProgramFolder();
        m_folderKnown = true;
    }
    return m_pluginFolderPath;
}

int CKRXPluginManager::LoadPlugins()
{
    return LoadPluginsFromFolder(GetPluginFolderPath());
}

int CKRXPluginManager::LoadPluginsFromFolder(const CString& folder)
{
    for (const CString& name : FindPluginModules(folder)) {
        if (m_libraryCount >= MaximumLibraries) {
            DebugOutputFormat(
                "Plugin %s not loaded: %d plugin libraries are already loaded.\n", name.c_str(), MaximumLibraries);
            continue;
        }
        // A failed load still takes its place (as a null handle), like any other library.
        void* library = dlopen((folder + name).c_str(), RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr)
            DebugOutputFormat("Plugin %s failed to load: %s\n", name.c_str(), dlerror());
        m_libraries[m_libraryCount++] = library;
    }
    return m_libraryCount;
}

int CKRXPluginManager::UnloadPlugins()
{
    for (int i = 0; i < m_libraryCount; ++i) {
        if (m_libraries[i] != nullptr)
            dlclose(m_libraries[i]);
        m_libraries[i] = nullptr;
    }
    m_libraryCount = 0;
    std::fill(m_plugins, m_plugins + m_pluginCount, nullptr);
    m_pluginCount = 0;
    return 1;
}
