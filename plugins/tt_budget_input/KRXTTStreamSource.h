#pragma once
// The card's transport stream: tunes its own copy of a definition and, on the
// receive thread, waits a bounded time for lock (the status says "Tuning..."
// meanwhile), then reads whatever the card delivers. A card that is removed or
// fails ends the stream; the status says why.
#include "KRXTTCard.h"
#include "KRXTTMultiplexDefinition.h"

#include "stream/DVBTransportStreamSource.h"

#include <atomic>

class CKRXTTStreamSource : public CDVBTransportStreamSource
{
public:
    // 512 packets, as the card delivers them.
    static constexpr unsigned long SuggestedBufferSize = 96256;
    static constexpr uint32_t LockTimeoutMs = 2000;
    // Reads do not wait: the receive thread sleeps between them, for
    // GatherMs unless the last read left more waiting.
    static constexpr uint32_t ReadWaitMs = 0;
    // Long enough for the card to gather a few hundred packets, short enough
    // that the PCRs' arrival still reads a few times a frame.
    static constexpr uint32_t GatherMs = 10;

    // A null card makes a source that refuses to start and shows the reason.
    CKRXTTStreamSource(CKRXTTCard* card, const CKRXTTMultiplexDefinition& definition, const CString& refusal = "");

    bool Initialise() override;
    bool DeInitialise() override { return true; }
    bool Start() override;
    bool Stop() override;
    unsigned long ReadBuffer(unsigned char* buffer, unsigned long size) override;
    unsigned long GetSuggestedBufferSize() override { return SuggestedBufferSize; }
    void GetStatus(CString& text) override;
    bool HasEnded() override { return m_failed.load(std::memory_order_acquire); }
    // At once after a full read or an overflow, when more is waiting in the
    // card; otherwise once packets have had time to gather.
    uint32_t GetMillisecondsUntilDue() override { return m_readAgainAtOnce ? 0 : GatherMs; }

    uint64_t GetOverflowCount() const { return m_overflows.load(std::memory_order_relaxed); }
    bool WasTuneValid() const { return m_tuneValid; }

private:
    // On the receive thread: true once the card has locked or the time for
    // it is up.
    bool IsTuned();

    CKRXTTCard* m_card;
    CKRXTTMultiplexDefinition m_definition;
    CString m_refusal;
    bool m_tuneValid = false;
    uint32_t m_tunedAt = 0;
    bool m_readAgainAtOnce = false; // on the receive thread only
    std::atomic<bool> m_tuning { false };
    std::atomic<uint64_t> m_overflows { 0 };
    // The failure text is written once, before the flag is raised.
    std::atomic<bool> m_failed { false };
    CString m_failure;
};
