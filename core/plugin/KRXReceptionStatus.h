#pragma once
// The one-line reception status the program shows for an open multiplex, made
// from what the transport stream receiver and its source report.
#include "platform/CString.h"

CString FormatReceptionStatus(int secondsSinceStart, bool dataBeingReceived, int bitrate, const CString& sourceStatus);
