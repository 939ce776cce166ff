#pragma once
// Reading the values of command-line options.
#include "platform/CString.h"

// A whole number of seconds from 1 to 1,000,000; false for anything else.
bool ParseCliSeconds(const CString& text, int& seconds);
