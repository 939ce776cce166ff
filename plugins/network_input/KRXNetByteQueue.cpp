#include "KRXNetByteQueue.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr size_t kPacketSize = 188;
} // namespace

CKRXNetByteQueue::CKRXNetByteQueue(size_t capacity)
    : m_capacity(capacity)
{
}

void CKRXNetByteQueue::Push(const uint8_t* data, size_t size)
{
    std::lock_guard lock(m_mutex);
    const size_t room = m_capacity - (m_bytes.size() - m_start);
    const size_t taken = std::min(size, room);
    m_dropped += size - taken;
    if (m_start != 0 && m_bytes.size() + taken > m_bytes.capacity()) {
        m_bytes.erase(m_bytes.begin(), m_bytes.begin() + static_cast<long>(m_start));
        m_start = 0;
    }
    m_bytes.insert(m_bytes.end(), data, data + taken);
}

void CKRXNetByteQueue::BeginConnection()
{
    std::lock_guard lock(m_mutex);
    m_bytes.resize(m_bytes.size() - (m_bytes.size() - m_start) % kPacketSize);
}

size_t CKRXNetByteQueue::Pop(uint8_t* buffer, size_t size)
{
    std::lock_guard lock(m_mutex);
    const size_t bytes = std::min(m_bytes.size() - m_start, size) / kPacketSize * kPacketSize;
    if (bytes == 0)
        return 0; // an empty queue may have no storage to copy from
    std::memcpy(buffer, m_bytes.data() + m_start, bytes);
    m_start += bytes;
    if (m_start == m_bytes.size()) {
        m_bytes.clear();
        m_start = 0;
    }
    return bytes;
}

void CKRXNetByteQueue::Clear()
{
    std::lock_guard lock(m_mutex);
    m_bytes.clear();
    m_start = 0;
}

uint64_t CKRXNetByteQueue::GetDroppedBytes() const
{
    std::lock_guard lock(m_mutex);
    return m_dropped;
}
