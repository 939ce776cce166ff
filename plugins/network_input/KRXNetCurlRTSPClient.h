#pragma once
// RTSP requests through libcurl, one easy handle per session so that libcurl
// keeps the connection, the CSeq and the Session header.
#include "KRXNetRTSPClient.h"

class CKRXNetCurlRTSPClient : public CKRXNetRTSPClient
{
public:
    static constexpr long TimeoutSeconds = 5;

    // server: "rtsp://HOST:PORT/", where the connection goes.
    explicit CKRXNetCurlRTSPClient(const CString& server);
    ~CKRXNetCurlRTSPClient() override;
    CKRXNetCurlRTSPClient(const CKRXNetCurlRTSPClient&) = delete;
    CKRXNetCurlRTSPClient& operator=(const CKRXNetCurlRTSPClient&) = delete;

    bool Send(Method method, const CString& uri, const CString& transport, CString& head, CString& error) override;
    void Reset() override;

private:
    CString m_server;
    void* m_easy = nullptr;
};
