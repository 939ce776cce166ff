#include "KRXNetRTPReorder.h"

#include <utility>

CKRXNetRTPReorder::CKRXNetRTPReorder(Deliver deliver)
    : m_deliver(std::move(deliver))
{
}

void CKRXNetRTPReorder::Push(uint16_t sequence, const uint8_t* payload, size_t size)
{
    const int distance = static_cast<int16_t>(static_cast<uint16_t>(sequence - m_next));
    if (!m_started || distance >= kRestartDistance || distance <= -kRestartDistance) {
        if (m_started)
            Flush();
        m_started = true;
        m_next = sequence;
    } else if (distance < 0) {
        ++m_dropped;
        return;
    }
    while (static_cast<uint16_t>(sequence - m_next) >= Depth)
        SkipGap();
    if (sequence == m_next) {
        m_deliver(payload, size);
        ++m_next;
        DeliverHeldInOrder();
        return;
    }
    Slot& slot = SlotOf(sequence);
    if (slot.held) {
        ++m_dropped;
        return;
    }
    slot.held = true;
    slot.payload.assign(payload, payload + size);
    if (++m_heldCount == Depth - 1)
        SkipGap();
}

void CKRXNetRTPReorder::DeliverHeldInOrder()
{
    for (Slot* slot = &SlotOf(m_next); slot->held; slot = &SlotOf(m_next)) {
        slot->held = false;
        --m_heldCount;
        m_deliver(slot->payload.data(), slot->payload.size());
        ++m_next;
    }
}

void CKRXNetRTPReorder::SkipGap()
{
    if (m_heldCount == 0) {
        // Nothing held: the whole window is lost.
        m_lost += Depth;
        m_next += Depth;
        return;
    }
    while (!SlotOf(m_next).held) {
        ++m_lost;
        ++m_next;
    }
    DeliverHeldInOrder();
}

void CKRXNetRTPReorder::Flush()
{
    while (m_heldCount > 0)
        SkipGap();
}
