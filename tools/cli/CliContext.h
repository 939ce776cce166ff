#pragma once
// What every command of korrix-cli works with: its output streams, the event
// that Ctrl-C sets, and the folder the plug-ins are loaded from.
#include "platform/CString.h"

#include <ostream>

class CEvent;

struct KRXCliContext {
    std::ostream& out;
    std::ostream& err;
    // Set when the user asks the program to stop (Ctrl-C).
    CEvent* interrupted;
    // Empty: the program folder, as the program itself loads them.
    CString pluginFolder;

    // One line on the error stream, prefixed with the program's name. Returns
    // the exit status for a failure the user can act on.
    int Fail(const CString& message) const;
    // The same for a command line that cannot be understood.
    int Misused(const CString& message) const;
};

enum { KRX_CLI_OK = 0, KRX_CLI_FAILED = 1, KRX_CLI_MISUSED = 2 };
