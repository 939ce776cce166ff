#pragma once
// The plug-ins loaded and initialised for the life of a command, exactly as
// the program does it: load, Initialise each in registry order; at the end
// DeInitialise each, then unload.
#include "platform/CString.h"

class CKRXInputPlugin;
class CKRXPluginManager;

class CKRXCliPlugins
{
public:
    // An empty folder means the program folder.
    explicit CKRXCliPlugins(const CString& folder);
    ~CKRXCliPlugins();
    CKRXCliPlugins(const CKRXCliPlugins&) = delete;
    CKRXCliPlugins& operator=(const CKRXCliPlugins&) = delete;

    CKRXPluginManager* GetManager() const { return m_manager; }
    const CString& GetFolder() const { return m_folder; }
    // The input plug-in of that name, or null.
    CKRXInputPlugin* FindInputPlugin(const CString& name) const;

private:
    CKRXPluginManager* m_manager;
    CString m_folder;
};
