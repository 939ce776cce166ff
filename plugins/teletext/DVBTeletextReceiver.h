#pragma once
// The receiver of one teletext PID. On the receive thread it hands each PES
// to the decoder; each time its subtitle page (if it has one) is complete it
// queues a painted copy, which the teletext layer shows on the display's frame
// thread once the programme clock reaches the PES's PTS. Every page stays
// readable through CDVBTeletextPages.
#include "DVBTeletextCaption.h"
#include "DVBTeletextDecoder.h"

#include "platform/CriticalSection.h"
#include "plugin/DVBTeletextPages.h"
#include "stream/DVBClockBreakWatch.h"
#include "stream/DVBPESPacketCollector.h"
#include "stream/DVBPIDReceiver.h"

#include <deque>
#include <map>
#include <set>

class CDVBTeletextLayer;

// A caption whose PTS stays ahead shows at the latest this long (90 kHz
// ticks) after it came in.
constexpr int64_t DVB_TELETEXT_HOLD_LIMIT = 450000;
// However the clocks behave, no more captions than this wait.
constexpr size_t DVB_TELETEXT_QUEUE_LIMIT = 16;
// Subpages remembered per page: a rotation of more is not browsed by number.
constexpr size_t DVB_TELETEXT_SUBPAGE_LIMIT = 80;

class CDVBTeletextReceiver : public CDVBPIDReceiver, public CDVBTeletextPages
{
public:
    // subtitlePage: the page painted into the picture (0x100..0x8FF), or 0
    // for a receiver that only keeps pages.
    CDVBTeletextReceiver(CKRXDecoderPlugin* plugin, std::unique_ptr<CDVBTeletextDecoder> decoder, int subtitlePage);
    ~CDVBTeletextReceiver() override;

    void OnReceivePacket(uint64_t packetNumber, unsigned char* packet) override;
    CKRXDecoderPlugin* GetPlugin() override { return m_plugin; }
    bool RequiresDisplay() override { return m_subtitlePage != 0; }
    bool SetDisplay(CDVBDisplay* display) override;
    bool UnsetDisplay(CDVBDisplay* display) override;
    void OnStreamStartedAgain() override { m_collector.Reset(); }
    CDVBTeletextPages* GetTeletextPages() override { return this; }

    bool GetPage(int number, int subpage, CDVBTeletextPage& page) override;
    std::vector<int> GetSubpages(int number) override;
    void SetPageListener(std::function<void(int number, int subpage)> listener) override;

    // Decodes one whole PES packet.
    void DecodePES(unsigned char* data, unsigned long size);
    // The oldest queued caption when it is due at frame time now; null otherwise.
    std::unique_ptr<CDVBTeletextCaption> TakeNextCaption(int64_t now);
    int GetSubtitlePage() const { return m_subtitlePage; }

private:
    void OnPageComplete(int number, int subpage, const CDVBTeletextCaption& timing);
    bool IsDue(const CDVBTeletextCaption& caption, int64_t now) const;

    CKRXDecoderPlugin* m_plugin;
    const int m_subtitlePage;
    CDVBPESPacketCollector m_collector;
    // The decoder and the subpages; held while a listener runs.
    CCriticalSection m_decoderLock;
    std::unique_ptr<CDVBTeletextDecoder> m_decoder;
    std::map<int, std::set<int>> m_subpages;
    std::function<void(int, int)> m_listener;

    CCriticalSection m_queueLock;
    std::deque<std::unique_ptr<CDVBTeletextCaption>> m_queue;
    // Without a layer nothing takes captions: none are queued.
    bool m_layerAttached = false;

    std::unique_ptr<CDVBTeletextLayer> m_layer;
    CDVBDisplay* m_display = nullptr;
    // Receive thread only.
    CDVBClockBreakWatch m_clockBreaks;
    std::vector<CDVBTeletextPacket> m_packets;
};
