#pragma once
// A transfer through libcurl's multi interface, so that cancelling wakes its wait
// at once instead of at libcurl's next progress call. A connection that
// delivers nothing for a while is taken for lost.
#include "KRXNetTransfer.h"

#include <atomic>

class CKRXNetCurlTransfer : public CKRXNetTransfer
{
public:
    static constexpr long StallSeconds = 5;

    CKRXNetCurlTransfer();
    ~CKRXNetCurlTransfer() override;
    CKRXNetCurlTransfer(const CKRXNetCurlTransfer&) = delete;
    CKRXNetCurlTransfer& operator=(const CKRXNetCurlTransfer&) = delete;

    bool Fetch(const CString& url, const Sink& sink, CString& error) override;
    void SetCancelled(bool cancelled) override;

private:
    void* m_multi;
    std::atomic<bool> m_cancelled { false };
};
