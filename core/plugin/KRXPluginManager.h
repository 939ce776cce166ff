#pragma once
// The process-wide registry of plug-ins and the loader of the KRX*.so modules
// in the program folder. Each module registers its one plug-in from a static
// registrar while it is being loaded (see KRXPluginRegistrar.h) and deletes it
// when it is unloaded. Used on the application's main thread only.
#include "platform/CString.h"

class CKRXPlugin;

class CKRXPluginManager
{
public:
    static constexpr int MaximumPlugins = 32;
    static constexpr int MaximumLibraries = 32;

    static CKRXPluginManager* GetPluginManager();

    // False, registering nothing, once MaximumPlugins are registered.
    bool AddPlugin(CKRXPlugin* plugin);
    int GetPluginCount() const { return m_pluginCount; }
    CKRXPlugin* GetPluginAtIndex(int index) const;
    // The index-th registered plug-in of the given type, in registration order.
    CKRXPlugin* GetPluginWithType(int type, int index) const;

    CString GetPluginFolderPath();
    // Loads the modules of the program folder; returns the library count.
    int LoadPlugins();
    // Loads the modules of another folder (ending with '/'); the program itself
    // always uses LoadPlugins.
    int LoadPluginsFromFolder(const CString& folder);
    int GetLibraryCount() const { return m_libraryCount; }
    // Unloads every module, which deletes their plug-ins, and empties the
    // registry so that nothing can reach a deleted plug-in. Returns 1.
    int UnloadPlugins();

private:
    CKRXPlugin* m_plugins[MaximumPlugins] = {};
    int m_pluginCount = 0;
    void* m_libraries[MaximumLibraries] = {};
    int m_libraryCount = 0;
    CString m_pluginFolderPath;
    bool m_folderKnown = false;
};
