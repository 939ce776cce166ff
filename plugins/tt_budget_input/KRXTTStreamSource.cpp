#include "KRXTTStreamSource.h"

#include "KRXTTSignalStatus.h"

#include "platform/Clock.h"
#include "platform/DebugOutput.h"
#include "stream/DVBPIDReceiver.h"

#include <cinttypes>

CKRXTTStreamSource::CKRXTTStreamSource(
    CKRXTTCard* card, const CKRXTTMultiplexDefinition& definition, const CString& refusal)
    : m_card(card)
    , m_definition(definition)
    , m_refusal(refusal)
{
}

bool CKRXTTStreamSource::Initialise()
{
    if (m_card == nullptr)
        return false;
    m_tuneValid = m_definition.Tune(*m_card);
    // Lock may take seconds: the receive thread waits for it, not the caller.
    m_tunedAt = GetMillisecondTime();
    m_tuning.store(true, std::memory_order_release);
    return true;
}

bool CKRXTTStreamSource::IsTuned()
{
    if (!m_tuning.load(std::memory_order_acquire))
        return true;
    const bool locked = m_card->GetSignal().locked;
    if (!locked && GetMillisecondTime() - m_tunedAt < LockTimeoutMs)
        return false;
    // Not locking is not a failure: the status says "no lock" and the
    // frontend keeps trying; reception starts when it locks.
    if (!locked)
        DebugOutputFormat("No lock on %s.\n", m_definition.GetName().c_str());
    m_tuning.store(false, std::memory_order_release);
    return true;
}

bool CKRXTTStreamSource::Start()
{
    if (m_card == nullptr || HasEnded())
        return false;
    return m_card->StartTS();
}

bool CKRXTTStreamSource::Stop()
{
    if (m_card != nullptr)
        m_card->StopTS();
    return true;
}

unsigned long CKRXTTStreamSource::ReadBuffer(unsigned char* buffer, unsigned long size)
{
    m_readAgainAtOnce = false;
    if (m_card == nullptr || HasEnded() || !IsTuned())
        return 0;
    const KRXTTRead read = m_card->ReadStream(buffer, size, ReadWaitMs);
    switch (read.outcome) {
    case KRXTTRead::Data:
        m_readAgainAtOnce = read.bytes + DVB_PACKET_SIZE > size;
        return read.bytes;
    case KRXTTRead::Overflow:
        // The card's buffer ran over: packets are lost, the stream goes on,
        // and what has piled up since is read without waiting.
        m_overflows.fetch_add(1, std::memory_order_relaxed);
        m_readAgainAtOnce = true;
        return 0;
    case KRXTTRead::Failed:
        m_failure = read.failure;
        m_failed.store(true, std::memory_order_release);
        DebugOutputFormat("Reception ended: %s.\n", read.failure.c_str());
        return 0;
    case KRXTTRead::NoData:
        break;
    }
    return 0;
}

void CKRXTTStreamSource::GetStatus(CString& text)
{
    if (m_card == nullptr) {
        text = m_refusal;
        return;
    }
    if (HasEnded()) {
        text = "reception ended: " + m_failure;
        return;
    }
    const KRXTTSignal signal = m_card->GetSignal();
    if (!signal.locked && m_tuning.load(std::memory_order_acquire)) {
        text = "Tuning...";
        return;
    }
    text = FormatSignalStatus(signal);
    if (const uint64_t overflows = GetOverflowCount())
        text += FormatString(", %" PRIu64 " overflow%s", overflows, overflows == 1 ? "" : "s");
}
