#pragma once
// SDL counts the starts of its subsystems, its hints and its open sound
// devices in plain variables, and the plug-ins start, stop, open and close
// them from threads of their own: the sound device on decoder threads, the
// video window on the frame thread. Every such call is made under this one
// lock. The plug-ins are separate modules, so it lives in the core that all
// of them link, and it knows nothing of SDL. Re-entrant, so that a stop may
// call a helper that takes it again.
#include <mutex>

std::recursive_mutex& GetSDLLock();
