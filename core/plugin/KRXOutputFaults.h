#pragma once
// The output files (pictures, sound, the A/V log) are written on threads the
// front end does not watch. A writer that loses data says so here, once per
// failure, and the front end tells the user: korrix-cli in its message and exit
// code, the program in a message box.
#include "platform/CString.h"

#include <vector>

class CKRXOutputFaults
{
public:
    struct Fault {
        CString path;
        CString cause; // "File too large"
        bool operator==(const Fault&) const = default;
    };

    // A fault on a file already waiting to be told adds nothing: the first is the cause.
    static void Report(const CString& path, const CString& cause);
    // The faults not yet taken, oldest first.
    static std::vector<Fault> Take();
    // What the user is told: "cannot write 'F': cause; it holds what was written before".
    static CString Describe(const Fault& fault);
};
