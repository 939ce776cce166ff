#include "KRXNetSatIpSession.h"

#include "KRXNetRTSPResponse.h"

CKRXNetSatIpSession::CKRXNetSatIpSession(CKRXNetRTSPClient& client, const KRXNetURL& url, uint16_t rtpPort)
    : m_client(client)
    , m_base(ServerURI(url))
    , m_query(TuningQuery(url.query))
    , m_rtpPort(rtpPort)
{
}

CString CKRXNetSatIpSession::ServerURI(const KRXNetURL& url)
{
    const bool v6 = url.host.find(':') != CString::npos;
    return FormatString(v6 ? "rtsp://[%s]:%u/" : "rtsp://%s:%u/", url.host.c_str(), url.port);
}

CString CKRXNetSatIpSession::TuningQuery(const CString& query)
{
    const bool named = query.rfind("pids=", 0) == 0 || query.find("&pids=") != CString::npos;
    return named ? query : query + (query.empty() ? "" : "&") + "pids=all";
}

CKRXNetSatIpSession::Outcome CKRXNetSatIpSession::Request(
    CKRXNetRTSPClient::Method method, const CString& uri, CString& error)
{
    const CString transport = FormatString("RTP/AVP;unicast;client_port=%u-%u", m_rtpPort, m_rtpPort + 1);
    CString head;
    if (!m_client.Send(method, uri, transport, head, error))
        return Failed;
    KRXNetRTSPResponse response;
    if (!ParseRTSPResponse(head, response)) {
        error = "the server's answer is no RTSP";
        return Failed;
    }
    m_lastHead = head;
    if (response.status == 200)
        return Done;
    error = FormatString("the server answered %d %s", response.status, response.reason.c_str());
    return Refused;
}

CKRXNetSatIpSession::Outcome CKRXNetSatIpSession::Open(CString& error)
{
    Close();
    Outcome outcome = Request(CKRXNetRTSPClient::Setup, m_base + "?" + m_query, error);
    if (outcome != Done)
        return outcome;
    KRXNetRTSPResponse response;
    ParseRTSPResponse(m_lastHead, response);
    if (!response.GetSession(m_sessionId, m_timeoutSeconds) || !response.GetStreamId(m_streamId)) {
        m_sessionId.clear();
        error = "the server named no session or stream";
        return Failed;
    }
    outcome = Request(CKRXNetRTSPClient::Play, FormatString("%sstream=%u", m_base.c_str(), m_streamId), error);
    if (outcome != Done)
        Close();
    return outcome;
}

CKRXNetSatIpSession::Outcome CKRXNetSatIpSession::KeepAlive(CString& error)
{
    return Request(CKRXNetRTSPClient::Options, m_base, error);
}

void CKRXNetSatIpSession::Close()
{
    if (IsOpen()) {
        CString ignored;
        Request(CKRXNetRTSPClient::Teardown, FormatString("%sstream=%u", m_base.c_str(), m_streamId), ignored);
    }
    m_sessionId.clear();
    m_client.Reset();
}
