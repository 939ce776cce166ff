#pragma once
// Raw TS in UDP, or TS in RTP, as a transport stream. The receive thread reads
// whatever datagrams are waiting, without pacing: the stream is live and the
// programme clock follows the PCRs as they arrive. Between reads the
// datagrams gather in the socket for a few milliseconds: reading each as it
// comes would wake the thread thousands of times a second at 30 Mbit/s, and
// the socket's buffer holds far longer than that. RTP payloads are put back
// in sequence, and the ones lost are counted for the status.
#include "KRXNetDatagramSocket.h"
#include "KRXNetRTPReorder.h"

#include "stream/DVBTransportStreamSource.h"

#include <atomic>
#include <memory>
#include <vector>

class CKRXNetDatagramSource : public CDVBTransportStreamSource
{
public:
    CKRXNetDatagramSource(std::unique_ptr<CKRXNetDatagramSocket> socket, const KRXNetURL& url);

    // Opens the socket; one that cannot be opened ends the stream, the status saying why.
    bool Initialise() override;
    bool DeInitialise() override;
    bool Start() override { return !HasEnded(); }
    bool Stop() override { return true; }
    unsigned long ReadBuffer(unsigned char* buffer, unsigned long size) override;
    void GetStatus(CString& text) override;
    bool HasEnded() override { return m_failed.load(std::memory_order_acquire); }
    // At once when the last read was full and more may wait; otherwise once
    // datagrams have had time to gather.
    uint32_t GetMillisecondsUntilDue() override { return m_readFull ? 0 : kGatherMs; }

    uint64_t GetLostCount() const { return m_lost.load(std::memory_order_relaxed); }
    // Datagrams that were not TS in RTP, or came too late for their place.
    uint64_t GetDiscardedCount() const { return m_discarded.load(std::memory_order_relaxed); }

private:
    static constexpr size_t kLargestDatagram = 65536;
    static constexpr uint32_t kGatherMs = 10;

    void TakeDatagram(const uint8_t* data, size_t size);
    // Moves whole packets of what is waiting into the read; returns the bytes moved.
    unsigned long DeliverPending(unsigned char* buffer, unsigned long size);

    std::unique_ptr<CKRXNetDatagramSocket> m_socket;
    KRXNetURL m_url;
    std::vector<uint8_t> m_datagram;
    // Payload bytes in order, not yet read; m_pendingStart is the first unread.
    std::vector<uint8_t> m_pending;
    size_t m_pendingStart = 0;
    bool m_readFull = false;
    CKRXNetRTPReorder m_reorder;
    uint64_t m_badDatagrams = 0;
    std::atomic<uint64_t> m_lost { 0 };
    std::atomic<uint64_t> m_discarded { 0 };
    // The failure text is written once, before the flag is raised.
    std::atomic<bool> m_failed { false };
    CString m_failure;
};
