#pragma once
// The plug-ins loaded and initialised for the life of a program or of a
// command, alike for every front end: load, Initialise each in registry
// order; at the end DeInitialise each, then unload.
#include "platform/CString.h"

class CKRXInputPlugin;
class CKRXPluginManager;

class CKRXLoadedPlugins
{
public:
    // An empty folder means the program folder.
    explicit CKRXLoadedPlugins(const CString& folder);
    ~CKRXLoadedPlugins();
    CKRXLoadedPlugins(const CKRXLoadedPlugins&) = delete;
    CKRXLoadedPlugins& operator=(const CKRXLoadedPlugins&) = delete;

    CKRXPluginManager* GetManager() const { return m_manager; }
    const CString& GetFolder() const { return m_folder; }
    // The input plug-in of that name, or null.
    CKRXInputPlugin* FindInputPlugin(const CString& name) const;

private:
    CKRXPluginManager* m_manager;
    CString m_folder;
};
