#pragma once
// Puts RTP payloads back in sequence order, from the first packet to come
// (one that overtook it is taken for late). A packet that arrives ahead of a
// gap is held; the gap is given up on (its packets counted lost) once Depth
// packets wait behind it, so reordering costs at most that much delay. A late
// packet whose place has been passed, or a repeat, is dropped. A jump too big
// for reordering or loss (a sender that began again) starts the count afresh.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

class CKRXNetRTPReorder
{
public:
    static constexpr int Depth = 8;
    using Deliver = std::function<void(const uint8_t* payload, size_t size)>;

    explicit CKRXNetRTPReorder(Deliver deliver);

    void Push(uint16_t sequence, const uint8_t* payload, size_t size);
    // Delivers whatever is held, counting the gaps before it as lost.
    void Flush();

    uint64_t GetLostCount() const { return m_lost; }
    uint64_t GetDroppedCount() const { return m_dropped; }

private:
    // Beyond this distance a sequence number is a new start, not a loss.
    static constexpr int kRestartDistance = 1000;

    struct Slot {
        bool held = false;
        std::vector<uint8_t> payload;
    };
    Slot& SlotOf(uint16_t sequence) { return m_slots[sequence % Depth]; }
    void DeliverHeldInOrder();
    // Moves on to the first packet held, counting the ones before it lost.
    void SkipGap();

    Deliver m_deliver;
    std::array<Slot, Depth> m_slots;
    int m_heldCount = 0;
    bool m_started = false;
    uint16_t m_next = 0;
    uint64_t m_lost = 0;
    uint64_t m_dropped = 0;
};
