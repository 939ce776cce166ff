#include "DVBSubtitleReceiver.h"

#include "DVBSubtitleLayer.h"

#include "plugin/DVBDisplay.h"
#include "stream/DVBProgramClock.h"
#include "stream/DVBTiming.h"

namespace {
constexpr uint32_t PRIVATE_STREAM_1 = 0x000001BD;
}

CDVBSubtitleReceiver::CDVBSubtitleReceiver(CKRXDecoderPlugin* plugin)
    : m_plugin(plugin)
{
    m_type = DVB_RECEIVER_SUBTITLES;
}

// A receiver closed while its layer is still on the display takes it off
// first, or the display would go on drawing a destroyed layer.
CDVBSubtitleReceiver::~CDVBSubtitleReceiver()
{
    UnsetDisplay(m_display);
}

void CDVBSubtitleReceiver::OnReceivePacket(uint64_t, unsigned char* packet)
{
    m_collector.AddPacket(packet);
    if (!m_collector.IsComplete())
        return;
    ParsePES(m_collector.GetData(), m_collector.GetCurrentSize());
    // Packets that follow without a new start must not hand in the same PES again.
    m_collector.Reset();
}

void CDVBSubtitleReceiver::ParsePES(unsigned char* data, unsigned long size)
{
    int64_t pts = 0, dts = 0;
    const unsigned long flags = GetTimeStampsFromPESData(data, size, pts, dts);
    CDVBMemoryReader reader(data, size);
    uint32_t last = 0xFFFFFFFF;
    uint8_t byte;
    while (reader.ReadByte(byte)) {
        last = last << 8 | byte;
        if (last == PRIVATE_STREAM_1 && ParseOnePES(reader, flags, pts, dts))
            last = 0xFFFFFFFF;
    }
}

// reader stands after a start code. False when the header is cut short, so
// the scan goes on from there.
bool CDVBSubtitleReceiver::ParseOnePES(CDVBByteReader& reader, unsigned long flags, int64_t pts, int64_t dts)
{
    uint16_t length, headerFlags;
    uint8_t headerLength;
    if (!reader.ReadWord(length))
        return false;
    CDVBBoundedReader packet(reader, length);
    if (!packet.ReadWord(headerFlags) || !packet.ReadByte(headerLength) || !packet.Skip(headerLength))
        return false;
    // Sets still waiting were timed on the clock before its break.
    if (m_clockBreaks.HasBroken(m_programClock)) {
        CSingleLock lock(&m_queueLock, true);
        m_queue.clear();
    }
    auto set = std::make_unique<CDVBSubtitleDisplaySet>();
    if (m_programClock && m_programClock->GetProgramClock(set->m_receiptClock, false))
        set->m_timeStampFlags |= DVB_SUBTITLE_RECEIPT_CLOCK;
    set->m_timeStampFlags |= flags;
    set->m_pts = pts;
    set->m_dts = dts;
    if (set->Parse(packet))
        Enqueue(std::move(set));
    return true;
}

void CDVBSubtitleReceiver::Enqueue(std::unique_ptr<CDVBSubtitleDisplaySet> set)
{
    const bool clocked = set->m_timeStampFlags & DVB_SUBTITLE_RECEIPT_CLOCK;
    const int64_t now = set->m_receiptClock;
    CSingleLock lock(&m_queueLock, true);
    m_queue.push_back(std::move(set));
    if (!m_layerAttached)
        DropAppliedDisplaySets(clocked, now);
    while (m_queue.size() > DVB_SUBTITLE_QUEUE_LIMIT)
        m_queue.pop_front();
}

// Without a layer nothing takes display sets off the queue: drop those a
// layer would have applied by the receipt clock now, so that a run without a
// display stays bounded.
void CDVBSubtitleReceiver::DropAppliedDisplaySets(bool clocked, int64_t now)
{
    while (!m_queue.empty()) {
        const CDVBSubtitleDisplaySet& head = *m_queue.front();
        const bool applied = clocked ? IsDue(head, now) : !(head.m_timeStampFlags & DVB_SUBTITLE_RECEIPT_CLOCK);
        if (!applied)
            return;
        m_queue.pop_front();
    }
}

bool CDVBSubtitleReceiver::IsDue(const CDVBSubtitleDisplaySet& set, int64_t now) const
{
    const bool held = (set.m_timeStampFlags & DVB_PTS_PRESENT) && !DVBClockHasReached(now, set.m_pts)
        && (set.m_timeStampFlags & DVB_SUBTITLE_RECEIPT_CLOCK)
        && !DVBClockHasReached(now, set.m_receiptClock + m_holdLimit);
    return !held;
}

std::unique_ptr<CDVBSubtitleDisplaySet> CDVBSubtitleReceiver::TakeNextDisplaySet(int64_t now)
{
    CSingleLock lock(&m_queueLock, true);
    if (m_queue.empty() || !IsDue(*m_queue.front(), now))
        return nullptr;
    std::unique_ptr<CDVBSubtitleDisplaySet> set = std::move(m_queue.front());
    m_queue.pop_front();
    return set;
}

size_t CDVBSubtitleReceiver::GetQueuedCount()
{
    CSingleLock lock(&m_queueLock, true);
    return m_queue.size();
}

bool CDVBSubtitleReceiver::SetDisplay(CDVBDisplay* display)
{
    if (m_layer)
        return true;
    m_layer = std::make_unique<CDVBSubtitleLayer>(*this);
    m_display = display;
    {
        CSingleLock lock(&m_queueLock, true);
        m_layerAttached = true;
    }
    if (display)
        display->AddDisplayLayer(m_layer.get());
    return true;
}

bool CDVBSubtitleReceiver::UnsetDisplay(CDVBDisplay*)
{
    if (!m_layer)
        return true;
    // The display draws the layer no more once this returns.
    if (m_display)
        m_display->RemoveDisplayLayer(m_layer.get());
    {
        CSingleLock lock(&m_queueLock, true);
        m_layerAttached = false;
    }
    m_layer.reset();
    m_display = nullptr;
    return true;
}
