#pragma once
// What the HTTP source asks of a transfer, and nothing more: fetch a URL,
// handing over its body as it comes. The program uses libcurl
// (KRXNetCurlTransfer); tests put a scripted transfer in its place.
#include "platform/CString.h"

#include <cstddef>
#include <cstdint>
#include <functional>

class CKRXNetTransfer
{
public:
    using Sink = std::function<void(const uint8_t* data, size_t size)>;

    virtual ~CKRXNetTransfer() = default;
    // Blocks until the server ends the body, the connection fails or Cancel
    // is called; false with the reason unless the server ended it.
    virtual bool Fetch(const CString& url, const Sink& sink, CString& error) = 0;
    // From any thread. True ends the Fetch in progress and refuses new ones
    // until it is set false again.
    virtual void SetCancelled(bool cancelled) = 0;
};
