#pragma once
// One SAT>IP session on an RTSP connection: SETUP of the tuning query with the
// ports the RTP and RTCP come to, PLAY of the stream the server names, OPTIONS
// within the session's time-out to keep it alive, and TEARDOWN at the end.
#include "KRXNetRTSPClient.h"
#include "KRXNetURL.h"

#include <cstdint>

class CKRXNetSatIpSession
{
public:
    enum Outcome { Done, Failed, Refused };

    CKRXNetSatIpSession(CKRXNetRTSPClient& client, const KRXNetURL& url, uint16_t rtpPort);

    // SETUP and PLAY. Refused when the server answers that it cannot tune
    // (an unknown frequency, say); Failed when no answer came.
    Outcome Open(CString& error);
    Outcome KeepAlive(CString& error);
    // TEARDOWN of an open session; forgets it either way.
    void Close();
    bool IsOpen() const { return !m_sessionId.empty(); }
    // Half the session's time-out: OPTIONS goes out that often.
    uint32_t GetKeepAliveIntervalMs() const { return m_timeoutSeconds * 500; }

    // "rtsp://HOST:PORT/": where the session's requests go.
    static CString ServerURI(const KRXNetURL& url);
    // The query with "pids=all" added when it names no PIDs.
    static CString TuningQuery(const CString& query);

private:
    // Sends; Done only for a 200 answer.
    Outcome Request(CKRXNetRTSPClient::Method method, const CString& uri, CString& error);

    CKRXNetRTSPClient& m_client;
    CString m_base; // rtsp://HOST:PORT/
    CString m_query;
    uint16_t m_rtpPort;
    CString m_sessionId;
    uint32_t m_streamId = 0;
    uint32_t m_timeoutSeconds = 60;
    CString m_lastHead;
};
