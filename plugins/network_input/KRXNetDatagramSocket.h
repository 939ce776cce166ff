#pragma once
// What the UDP and RTP sources ask of a socket, and nothing more. The program
// uses a real one (KRXNetUDPSocket); tests put an in-memory one in its place.
#include "KRXNetURL.h"

#include <cstddef>
#include <cstdint>

class CKRXNetDatagramSocket
{
public:
    virtual ~CKRXNetDatagramSocket() = default;
    // Binds to the URL's port and joins its group when it names one; false
    // with the reason when it cannot.
    virtual bool Open(const KRXNetURL& url, CString& error) = 0;
    virtual void Close() = 0;
    // One waiting datagram into buffer, without waiting: its size, or -1 when
    // none is waiting. A datagram longer than size is cut short.
    virtual long Receive(uint8_t* buffer, size_t size) = 0;
};
