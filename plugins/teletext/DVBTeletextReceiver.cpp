#include "DVBTeletextReceiver.h"

#include "DVBTeletextLayer.h"

#include "plugin/DVBDisplay.h"
#include "stream/DVBProgramClock.h"
#include "stream/DVBTiming.h"

CDVBTeletextReceiver::CDVBTeletextReceiver(
    CKRXDecoderPlugin* plugin, std::unique_ptr<CDVBTeletextDecoder> decoder, int subtitlePage)
    : m_plugin(plugin)
    , m_subtitlePage(subtitlePage)
    , m_decoder(std::move(decoder))
{
    m_type = subtitlePage != 0 ? DVB_RECEIVER_SUBTITLES : DVB_RECEIVER_BASE;
}

// A receiver closed while its layer is still on the display takes it off
// first, or the display would go on drawing a destroyed layer.
CDVBTeletextReceiver::~CDVBTeletextReceiver()
{
    UnsetDisplay(m_display);
}

void CDVBTeletextReceiver::OnReceivePacket(uint64_t, unsigned char* packet)
{
    m_collector.AddPacket(packet);
    if (!m_collector.IsComplete())
        return;
    DecodePES(m_collector.GetData(), m_collector.GetCurrentSize());
    m_collector.Reset();
}

void CDVBTeletextReceiver::DecodePES(unsigned char* data, unsigned long size)
{
    CDVBTeletextCaption timing;
    int64_t dts = 0;
    timing.timeStampFlags = GetTimeStampsFromPESData(data, size, timing.pts, dts) & DVB_PTS_PRESENT;
    // Captions still waiting were timed on the clock before its break.
    if (m_clockBreaks.HasBroken(m_programClock)) {
        CSingleLock lock(&m_queueLock, true);
        m_queue.clear();
    }
    timing.clocked = m_programClock && m_programClock->GetProgramClock(timing.receiptClock, false);
    if (!CDVBTeletextPacket::ParsePES(data, size, m_packets))
        return;
    CSingleLock lock(&m_decoderLock, true);
    m_decoder->Decode(m_packets, [&](int number, int subpage) { OnPageComplete(number, subpage, timing); });
}

void CDVBTeletextReceiver::OnPageComplete(int number, int subpage, const CDVBTeletextCaption& timing)
{
    std::set<int>& subpages = m_subpages[number];
    if (subpages.size() < DVB_TELETEXT_SUBPAGE_LIMIT)
        subpages.insert(subpage);
    if (m_listener)
        m_listener(number, subpage);
    if (number != m_subtitlePage)
        return;
    {
        CSingleLock lock(&m_queueLock, true);
        if (!m_layerAttached)
            return;
    }
    auto caption = std::make_unique<CDVBTeletextCaption>();
    caption->page = std::make_unique<CDVBTeletextPage>();
    if (!m_decoder->FormatPage(number, subpage, true, *caption->page))
        return;
    caption->timeStampFlags = timing.timeStampFlags;
    caption->pts = timing.pts;
    caption->clocked = timing.clocked;
    caption->receiptClock = timing.receiptClock;
    CSingleLock lock(&m_queueLock, true);
    m_queue.push_back(std::move(caption));
    while (m_queue.size() > DVB_TELETEXT_QUEUE_LIMIT)
        m_queue.pop_front();
}

bool CDVBTeletextReceiver::IsDue(const CDVBTeletextCaption& caption, int64_t now) const
{
    const bool held = (caption.timeStampFlags & DVB_PTS_PRESENT) && !DVBClockHasReached(now, caption.pts)
        && caption.clocked && !DVBClockHasReached(now, caption.receiptClock + DVB_TELETEXT_HOLD_LIMIT);
    return !held;
}

std::unique_ptr<CDVBTeletextCaption> CDVBTeletextReceiver::TakeNextCaption(int64_t now)
{
    CSingleLock lock(&m_queueLock, true);
    if (m_queue.empty() || !IsDue(*m_queue.front(), now))
        return nullptr;
    std::unique_ptr<CDVBTeletextCaption> caption = std::move(m_queue.front());
    m_queue.pop_front();
    return caption;
}

bool CDVBTeletextReceiver::GetPage(int number, int subpage, CDVBTeletextPage& page)
{
    CSingleLock lock(&m_decoderLock, true);
    return m_decoder->FormatPage(number, subpage, false, page);
}

std::vector<int> CDVBTeletextReceiver::GetSubpages(int number)
{
    CSingleLock lock(&m_decoderLock, true);
    const auto found = m_subpages.find(number);
    return found == m_subpages.end() ? std::vector<int>()
                                     : std::vector<int>(found->second.begin(), found->second.end());
}

void CDVBTeletextReceiver::SetPageListener(std::function<void(int number, int subpage)> listener)
{
    CSingleLock lock(&m_decoderLock, true);
    m_listener = std::move(listener);
}

bool CDVBTeletextReceiver::SetDisplay(CDVBDisplay* display)
{
    if (m_layer || m_subtitlePage == 0)
        return m_subtitlePage != 0;
    m_layer = std::make_unique<CDVBTeletextLayer>(*this);
    m_display = display;
    {
        CSingleLock lock(&m_queueLock, true);
        m_layerAttached = true;
    }
    if (display)
        display->AddDisplayLayer(m_layer.get());
    return true;
}

bool CDVBTeletextReceiver::UnsetDisplay(CDVBDisplay*)
{
    if (!m_layer)
        return true;
    // The display draws the layer no more once this returns.
    if (m_display)
        m_display->RemoveDisplayLayer(m_layer.get());
    {
        CSingleLock lock(&m_queueLock, true);
        m_layerAttached = false;
        m_queue.clear();
    }
    m_layer.reset();
    m_display = nullptr;
    return true;
}
