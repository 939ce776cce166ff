#pragma once
// What the SAT>IP session asks of an RTSP connection, and nothing more: send a
// request, get the response's head. The connection keeps the sequence numbers
// and the session's ID. The program uses libcurl (KRXNetCurlRTSPClient);
// tests put a scripted client in its place.
#include "platform/CString.h"

class CKRXNetRTSPClient
{
public:
    enum Method { Options, Setup, Play, Teardown };

    virtual ~CKRXNetRTSPClient() = default;
    // transport is for SETUP only. False with the reason when no response came.
    virtual bool Send(Method method, const CString& uri, const CString& transport, CString& head, CString& error) = 0;
    // Drops the connection and the session's ID: the next request starts anew.
    virtual void Reset() = 0;
};
