#pragma once
// A transport stream over HTTP(S). A connection thread fetches the URL and
// queues what arrives; the receive thread reads whole packets from the queue
// without pacing. A connection that ends or fails is tried again with back-off
// ("Reconnecting..." in the status meanwhile) until the reception stops; the
// length of each gap in the data is logged when data comes again.
#include "KRXNetBackoff.h"
#include "KRXNetByteQueue.h"
#include "KRXNetTransfer.h"

#include "platform/Event.h"
#include "platform/Thread.h"
#include "stream/DVBTransportStreamSource.h"

#include <atomic>
#include <memory>
#include <mutex>

class CKRXNetHTTPSource : public CDVBTransportStreamSource
{
public:
    // About 4 s of a 30 Mbit/s stream.
    static constexpr size_t QueueCapacity = 16 * 1024 * 1024;
    static constexpr uint32_t StopTimeoutMs = 1000;

    CKRXNetHTTPSource(std::unique_ptr<CKRXNetTransfer> transfer, const CString& url);
    ~CKRXNetHTTPSource() override;

    bool Initialise() override { return true; }
    bool DeInitialise() override { return true; }
    bool Start() override;
    bool Stop() override;
    unsigned long ReadBuffer(unsigned char* buffer, unsigned long size) override;
    // At once when the last read was full and more may wait; otherwise once
    // the connection has had time to queue more.
    uint32_t GetMillisecondsUntilDue() override { return m_readFull ? 0 : kGatherMs; }
    void GetStatus(CString& text) override;

    uint64_t GetReconnectionCount() const { return m_reconnections.load(std::memory_order_relaxed); }

private:
    enum State { Connecting, Receiving, Reconnecting };
    static constexpr uint32_t kGatherMs = 10;

    // The connection thread's loop: fetch, and after a loss wait and fetch again.
    void FetchAgainUntilStopped();
    void OnData(const uint8_t* data, size_t size);
    void OnConnectionLost(const CString& reason);

    std::unique_ptr<CKRXNetTransfer> m_transfer;
    CString m_url;
    CKRXNetByteQueue m_queue { QueueCapacity };
    bool m_readFull = false; // on the receive thread only
    CKRXNetBackoff m_backoff;
    CThread m_thread { "network connection thread" };
    CEvent m_stopEvent { true, false };
    std::atomic<int> m_state { Connecting };
    std::atomic<uint64_t> m_reconnections { 0 };
    // On the connection thread only: when the last data came, and whether a
    // gap since then is to be logged.
    int64_t m_lastDataAt = 0;
    bool m_inGap = false;
    // The last loss's reason, for the status.
    mutable std::mutex m_reasonMutex;
    CString m_reason;
};
