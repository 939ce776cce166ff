#include "KRXNetCurlTransfer.h"

#include <curl/curl.h>

namespace {
constexpr int kPollMs = 200;
constexpr long kConnectSeconds = 5;

size_t WriteBody(char* data, size_t size, size_t count, void* sink)
{
    (*static_cast<const CKRXNetTransfer::Sink*>(sink))(reinterpret_cast<const uint8_t*>(data), size * count);
    return size * count;
}

// Runs the transfer until it is done or cancelled; its result code.
CURLcode Run(CURLM* multi, CURL* easy, const std::atomic<bool>& cancelled)
{
    curl_multi_add_handle(multi, easy);
    CURLcode result = CURLE_ABORTED_BY_CALLBACK;
    for (int running = 1; running != 0 && !cancelled.load();) {
        if (curl_multi_perform(multi, &running) != CURLM_OK)
            break;
        if (running != 0)
            curl_multi_poll(multi, nullptr, 0, kPollMs, nullptr);
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
            if (message->msg == CURLMSG_DONE)
                result = message->data.result;
        }
    }
    curl_multi_remove_handle(multi, easy);
    return result;
}
} // namespace

CKRXNetCurlTransfer::CKRXNetCurlTransfer()
{
    curl_global_init(CURL_GLOBAL_DEFAULT);
    m_multi = curl_multi_init();
}

CKRXNetCurlTransfer::~CKRXNetCurlTransfer()
{
    curl_multi_cleanup(m_multi);
    curl_global_cleanup();
}

bool CKRXNetCurlTransfer::Fetch(const CString& url, const Sink& sink, CString& error)
{
    if (m_cancelled.load()) {
        error = "cancelled";
        return false;
    }
    CURL* easy = curl_easy_init();
    char message[CURL_ERROR_SIZE] = "";
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, message);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, WriteBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, kConnectSeconds);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, StallSeconds);
    const CURLcode result = Run(static_cast<CURLM*>(m_multi), easy, m_cancelled);
    curl_easy_cleanup(easy);
    if (result == CURLE_OK)
        return true;
    error = message[0] != '\0' ? message : curl_easy_strerror(result);
    return false;
}

void CKRXNetCurlTransfer::SetCancelled(bool cancelled)
{
    m_cancelled.store(cancelled);
    if (cancelled)
        curl_multi_wakeup(m_multi);
}
