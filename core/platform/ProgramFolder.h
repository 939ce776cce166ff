#pragma once
// The folder that holds the running program, its libraries and plug-ins,
// always ending with '/'.
#include "platform/CString.h"

CString GetProgramFolder();
