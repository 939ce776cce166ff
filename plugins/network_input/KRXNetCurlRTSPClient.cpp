#include "KRXNetCurlRTSPClient.h"

#include <curl/curl.h>

namespace {
size_t KeepHeader(char* data, size_t size, size_t count, void* head)
{
    static_cast<CString*>(head)->append(data, size * count);
    return size * count;
}

long CurlMethod(CKRXNetRTSPClient::Method method)
{
    switch (method) {
    case CKRXNetRTSPClient::Options:
        return CURL_RTSPREQ_OPTIONS;
    case CKRXNetRTSPClient::Setup:
        return CURL_RTSPREQ_SETUP;
    case CKRXNetRTSPClient::Play:
        return CURL_RTSPREQ_PLAY;
    case CKRXNetRTSPClient::Teardown:
        return CURL_RTSPREQ_TEARDOWN;
    }
    return CURL_RTSPREQ_OPTIONS;
}
} // namespace

CKRXNetCurlRTSPClient::CKRXNetCurlRTSPClient(const CString& server)
    : m_server(server)
{
    curl_global_init(CURL_GLOBAL_DEFAULT);
}

CKRXNetCurlRTSPClient::~CKRXNetCurlRTSPClient()
{
    Reset();
    curl_global_cleanup();
}

void CKRXNetCurlRTSPClient::Reset()
{
    if (m_easy != nullptr)
        curl_easy_cleanup(static_cast<CURL*>(m_easy));
    m_easy = nullptr;
}

bool CKRXNetCurlRTSPClient::Send(
    Method method, const CString& uri, const CString& transport, CString& head, CString& error)
{
    if (m_easy == nullptr)
        m_easy = curl_easy_init();
    CURL* easy = static_cast<CURL*>(m_easy);
    char message[CURL_ERROR_SIZE] = "";
    head.clear();
    curl_easy_setopt(easy, CURLOPT_URL, m_server.c_str());
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, message);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_TIMEOUT, TimeoutSeconds);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, KeepHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &head);
    curl_easy_setopt(easy, CURLOPT_RTSP_REQUEST, CurlMethod(method));
    curl_easy_setopt(easy, CURLOPT_RTSP_STREAM_URI, uri.c_str());
    if (method == Setup)
        curl_easy_setopt(easy, CURLOPT_RTSP_TRANSPORT, transport.c_str());
    const CURLcode result = curl_easy_perform(easy);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, nullptr);
    if (result == CURLE_OK)
        return true;
    error = message[0] != '\0' ? message : curl_easy_strerror(result);
    // libcurl ends the transfer with an error on a status it does not like,
    // after the head has come: the session reads the status from the head.
    return !head.empty();
}
