#pragma once
// An RTSP response's head as a server sent it: the status line and the
// headers, and the SAT>IP session's parts read from them.
#include "platform/CString.h"

#include <cstdint>
#include <map>

struct KRXNetRTSPResponse {
    int status = 0;
    CString reason;
    // Names in lower case; a repeated header keeps its last value.
    std::map<CString, CString> headers;

    CString Header(const CString& lowerCaseName) const;
    // "Session: ID;timeout=SECONDS": false without an ID. The time-out is 60 s
    // when the server gives none.
    bool GetSession(CString& id, uint32_t& timeoutSeconds) const;
    // "com.ses.streamID: N"; false when absent or not a number.
    bool GetStreamId(uint32_t& streamId) const;
};

// False when the text does not start with an RTSP status line.
bool ParseRTSPResponse(const CString& head, KRXNetRTSPResponse& response);
