#pragma once
// The receiver of one subtitle PID: parses each complete PES packet into a
// display set on the receive thread and queues it until the subtitle layer,
// on the display's frame thread, finds it due.
#include "DVBSubtitleDisplaySet.h"

#include "platform/CriticalSection.h"
#include "stream/DVBClockBreakWatch.h"
#include "stream/DVBPESPacketCollector.h"
#include "stream/DVBPIDReceiver.h"

class CDVBSubtitleLayer;

// A display set whose PTS stays ahead is shown at the latest this long
// (90 kHz ticks) after it came in.
constexpr int64_t DVB_SUBTITLE_HOLD_LIMIT = 450000;
// However the clocks behave, no more display sets than this wait.
constexpr size_t DVB_SUBTITLE_QUEUE_LIMIT = 32;

class CDVBSubtitleReceiver : public CDVBPIDReceiver
{
public:
    explicit CDVBSubtitleReceiver(CKRXDecoderPlugin* plugin);
    ~CDVBSubtitleReceiver() override;

    void OnReceivePacket(uint64_t packetNumber, unsigned char* packet) override;
    CKRXDecoderPlugin* GetPlugin() override { return m_plugin; }
    bool RequiresDisplay() override { return true; }
    bool SetDisplay(CDVBDisplay* display) override;
    bool UnsetDisplay(CDVBDisplay* display) override;

    // Parses every private-stream-1 PES found in the bytes and queues its display set.
    void ParsePES(unsigned char* data, unsigned long size);
    // The oldest queued display set, taken off the queue, when it is due at
    // frame time now; null otherwise. A held one keeps those behind it waiting.
    std::unique_ptr<CDVBSubtitleDisplaySet> TakeNextDisplaySet(int64_t now);
    size_t GetQueuedCount();

private:
    bool ParseOnePES(CDVBByteReader& reader, unsigned long flags, int64_t pts, int64_t dts);
    void Enqueue(std::unique_ptr<CDVBSubtitleDisplaySet> set);
    void DropAppliedDisplaySets(bool clocked, int64_t now);
    bool IsDue(const CDVBSubtitleDisplaySet& set, int64_t now) const;

    CDVBPESPacketCollector m_collector;
    CCriticalSection m_queueLock;
    std::list<std::unique_ptr<CDVBSubtitleDisplaySet>> m_queue;
    // Guarded by the queue lock: the receive thread looks at it to trim the queue.
    bool m_layerAttached = false;
    std::unique_ptr<CDVBSubtitleLayer> m_layer;
    CDVBDisplay* m_display = nullptr;
    CKRXDecoderPlugin* m_plugin;
    const int64_t m_holdLimit = DVB_SUBTITLE_HOLD_LIMIT;
    // Receive thread only.
    CDVBClockBreakWatch m_clockBreaks;
};
