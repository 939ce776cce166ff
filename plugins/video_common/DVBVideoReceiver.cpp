#include "DVBVideoReceiver.h"

#include "plugin/DVBDisplay.h"

CDVBVideoReceiver::CDVBVideoReceiver(CKRXDecoderPlugin* plugin, std::unique_ptr<CDVBPictureDecoder> decoder)
    : CDVBPullReceiver(kBufferCount, kBufferSize)
    , m_plugin(plugin)
    , m_decoder(std::move(decoder))
{
    m_type = DVB_RECEIVER_VIDEO;
}

CDVBVideoReceiver::~CDVBVideoReceiver()
{
    // The decode thread uses the decoder, which goes before the base's destructor runs.
    Stop();
}

void CDVBVideoReceiver::OnEveryMillisecond()
{
    // A display that keeps its own time is not woken for nothing.
    CDVBDisplay* display = m_display.load();
    if (display && display->GetMillisecondsUntilNotification() != KRX_INFINITE)
        display->OnEveryMillisecond();
}

uint32_t CDVBVideoReceiver::GetMillisecondsUntilNotification()
{
    CDVBDisplay* display = m_display.load();
    return display ? display->GetMillisecondsUntilNotification() : KRX_INFINITE;
}

bool CDVBVideoReceiver::SetDisplay(CDVBDisplay* display)
{
    m_display.store(display);
    return true;
}

bool CDVBVideoReceiver::UnsetDisplay(CDVBDisplay* display)
{
    return m_display.compare_exchange_strong(display, nullptr);
}

void CDVBVideoReceiver::DecodeStream()
{
    // Without a decoder the receiver decodes nothing: its buffers fill and the
    // receive side drops what follows, until it is closed.
    if (!m_decoder || !m_decoder->IsValid()) {
        m_stopEvent.Wait(KRX_INFINITE);
        return;
    }
    // The stop event comes first in the list, so a full queue never delays a stop.
    while (WaitForEvents({ &m_stopEvent, m_filledList.GetHasBuffersEvent() }, KRX_INFINITE) == 1)
        DecodeNextBuffer();
}

bool CDVBVideoReceiver::DecodeNextBuffer()
{
    if (!GetNextReadBuffer())
        return false;
    CDVBDisplay* display = m_display.load();
    const unsigned long flags = m_readBuffer->GetFlags();
    // Nothing decoded before a break may be shown or built on after it; the
    // pictures still waiting belong to the old timeline.
    if (flags & (DVB_BUFFER_DISCONTINUITY | DVB_BUFFER_SPLICE))
        m_decoder->DropReferences();
    if ((flags & DVB_BUFFER_DISCONTINUITY) && display)
        display->Flush();
    if (flags & DVB_PTS_PRESENT)
        m_decoder->TagNextPicture(m_readBuffer->GetPTS());
    m_decoder->Decode(m_readBuffer->GetData(), m_readBuffer->GetUsed(), display);
    m_readBuffer->SetUsed(0);
    return true;
}
