#pragma once
// Whether the program itself has a file open: a recording must never empty
// the file that is being played (under whatever name it is given).
#include "platform/CString.h"

// True when one of this process's open descriptors is the file at the path;
// false for a file that does not exist.
bool IsFileOpenInThisProcess(const CString& path);
