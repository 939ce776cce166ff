#include "KRXNetDatagramSource.h"

#include "KRXNetRTPHeader.h"

#include "platform/DebugOutput.h"

#include <algorithm>
#include <cinttypes>
#include <cstring>

namespace {
constexpr size_t kPacketSize = 188;
} // namespace

CKRXNetDatagramSource::CKRXNetDatagramSource(std::unique_ptr<CKRXNetDatagramSocket> socket, const KRXNetURL& url)
    : m_socket(std::move(socket))
    , m_url(url)
    , m_datagram(kLargestDatagram)
    , m_reorder(
          [this](const uint8_t* payload, size_t size) { m_pending.insert(m_pending.end(), payload, payload + size); })
{
}

bool CKRXNetDatagramSource::Initialise()
{
    CString error;
    if (m_socket->Open(m_url, error))
        return true;
    m_failure = error;
    m_failed.store(true, std::memory_order_release);
    DebugOutputFormat("Cannot receive %s: %s.\n", m_url.text.c_str(), error.c_str());
    return false;
}

bool CKRXNetDatagramSource::DeInitialise()
{
    m_socket->Close();
    // The reception's losses go to the log, where they outlive the status.
    if (m_url.kind == KRXNetURL::RTP && !HasEnded())
        DebugOutputFormat("RTP from %s: %" PRIu64 " packets lost, %" PRIu64 " discarded.\n", m_url.text.c_str(),
            GetLostCount(), GetDiscardedCount());
    return true;
}

unsigned long CKRXNetDatagramSource::ReadBuffer(unsigned char* buffer, unsigned long size)
{
    m_readFull = false;
    if (HasEnded())
        return 0;
    unsigned long delivered = DeliverPending(buffer, size);
    // Datagrams are taken only while their packets fit; the rest wait in the socket.
    while (delivered + kPacketSize <= size) {
        const long received = m_socket->Receive(m_datagram.data(), m_datagram.size());
        if (received < 0)
            break;
        TakeDatagram(m_datagram.data(), static_cast<size_t>(received));
        delivered += DeliverPending(buffer + delivered, size - delivered);
    }
    m_readFull = delivered + kPacketSize > size;
    m_lost.store(m_reorder.GetLostCount(), std::memory_order_relaxed);
    m_discarded.store(m_reorder.GetDroppedCount() + m_badDatagrams, std::memory_order_relaxed);
    return delivered;
}

void CKRXNetDatagramSource::TakeDatagram(const uint8_t* data, size_t size)
{
    if (m_url.kind == KRXNetURL::UDP) {
        m_pending.insert(m_pending.end(), data, data + size);
        return;
    }
    KRXNetRTPHeader header;
    if (!ParseRTPHeader(data, size, header) || header.payloadType != KRX_RTP_PAYLOAD_MP2T) {
        ++m_badDatagrams;
        return;
    }
    m_reorder.Push(header.sequence, data + header.payloadOffset, header.payloadSize);
}

unsigned long CKRXNetDatagramSource::DeliverPending(unsigned char* buffer, unsigned long size)
{
    const size_t waiting = m_pending.size() - m_pendingStart;
    const size_t bytes = std::min<size_t>(waiting, size) / kPacketSize * kPacketSize;
    if (bytes == 0)
        return 0; // nothing waiting may mean no storage to copy from
    std::memcpy(buffer, m_pending.data() + m_pendingStart, bytes);
    m_pendingStart += bytes;
    // What is left is less than a packet, or did not fit: moved to the front
    // so that the buffer does not grow.
    if (m_pendingStart == m_pending.size() || m_pendingStart > m_pending.size() / 2) {
        m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<long>(m_pendingStart));
        m_pendingStart = 0;
    }
    return static_cast<unsigned long>(bytes);
}

void CKRXNetDatagramSource::GetStatus(CString& text)
{
    if (HasEnded()) {
        text = "cannot receive: " + m_failure;
        return;
    }
    text = "";
    if (m_url.kind != KRXNetURL::RTP)
        return;
    const uint64_t lost = GetLostCount();
    text = FormatString("%" PRIu64 " RTP packet%s lost", lost, lost == 1 ? "" : "s");
    if (const uint64_t discarded = GetDiscardedCount())
        text += FormatString(", %" PRIu64 " discarded", discarded);
}
