#pragma once
// The folder that holds the running program, its libraries and plug-ins,
// always ending with '/', and where the user's own copies go when the
// program is installed where the user cannot write.
#include "platform/CString.h"

CString GetProgramFolder();

// "$XDG_DATA_HOME/korrix/", or "$HOME/.local/share/korrix/" when the data
// home is unset or relative (as the base directory rules require).
CString GetUserDataFolder(const char* dataHome, const char* home);
// The same for the current user, from the environment.
CString GetUserDataFolder();

// Whether this process (as its effective user) may write the file, or create
// and replace files in the folder.
bool MayWrite(const CString& path);

// Where files the user changes are kept: the program folder while this
// process may write in it (a build, a per-user install), otherwise the user
// folder. Both end with '/'.
CString ChooseUserFilesFolder(const CString& programFolder, const CString& userFolder);
