#pragma once
// The core's message boxes shown as Qt message boxes on the user-interface
// thread. A caller on another thread waits on its own thread for the answer,
// but never while the user-interface thread waits for a thread to end; the
// user-interface thread itself never waits on another thread for a box.
#include "platform/CString.h"

// Installs the handler; call on the user-interface thread once the
// application object exists.
void InstallQtMessageBoxes();
// Shows the box now; on the user-interface thread only.
int ShowQtMessageBox(const CString& text, const CString& caption, unsigned type);
