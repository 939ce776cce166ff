#pragma once
// Where a transport stream was received: the input and the multiplex the
// user opened to get it, by their names as the main window shows them.
#include "platform/CString.h"

struct SKRXMultiplexPlace {
    CString input;
    CString multiplex;
};
