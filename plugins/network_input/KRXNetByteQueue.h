#pragma once
// The bytes a connection thread has received and the receive thread has not
// yet read, handed over as whole packets. Bounded: when the reader falls far
// behind, what does not fit is dropped and counted.
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

class CKRXNetByteQueue
{
public:
    explicit CKRXNetByteQueue(size_t capacity);

    void Push(const uint8_t* data, size_t size);
    // A new connection starts on a packet: a partial one left by the last is dropped.
    void BeginConnection();
    // Whole packets, up to size bytes; returns the bytes copied.
    size_t Pop(uint8_t* buffer, size_t size);
    void Clear();
    uint64_t GetDroppedBytes() const;

private:
    mutable std::mutex m_mutex;
    std::vector<uint8_t> m_bytes;
    size_t m_start = 0;
    size_t m_capacity;
    uint64_t m_dropped = 0;
};
