#pragma once
// A UDP socket on the system's network stack: bound to the port (and to the
// group's address, so other groups on that port stay out), joined to the group
// on the chosen interface, with a receive buffer large enough to ride out
// bursts while the receive thread is busy.
#include "KRXNetDatagramSocket.h"

class CKRXNetUDPSocket : public CKRXNetDatagramSocket
{
public:
    ~CKRXNetUDPSocket() override { Close(); }
    bool Open(const KRXNetURL& url, CString& error) override;
    void Close() override;
    long Receive(uint8_t* buffer, size_t size) override;

private:
    bool Join(const KRXNetURL& url, const void* group, CString& error);

    int m_socket = -1;
};
