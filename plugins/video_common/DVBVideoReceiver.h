#pragma once
// The receiver of one video component: the pull receiver's buffers of
// elementary stream go through its own decoder on the decode thread, and
// every picture goes to the display with its presentation time. It does no
// pacing: the display decides when each picture is shown.
#include "DVBPictureDecoder.h"

#include "stream/DVBPullReceiver.h"

#include <atomic>
#include <memory>

class CDVBVideoReceiver : public CDVBPullReceiver
{
public:
    static constexpr int kBufferCount = 50;
    static constexpr int kBufferSize = 16384;

    CDVBVideoReceiver(CKRXDecoderPlugin* plugin, std::unique_ptr<CDVBPictureDecoder> decoder);
    ~CDVBVideoReceiver() override;

    // Relays the receive thread's tick to a display that asks for it, as its frame-release pulse.
    void OnEveryMillisecond() override;
    bool RequiresTimeNotifications() override { return true; }
    // The display's answer: none is needed without one.
    uint32_t GetMillisecondsUntilNotification() override;
    CKRXDecoderPlugin* GetPlugin() override { return m_plugin; }
    bool RequiresDisplay() override { return true; }
    // Pictures go to this display from the next one on.
    bool SetDisplay(CDVBDisplay* display) override;
    // No picture decoded from now on goes to the display, so that it can be
    // flushed of this receiver's pictures before the receiver is closed.
    bool UnsetDisplay(CDVBDisplay* display) override;

protected:
    // Waits for filled buffers and decodes them until the stop event.
    void DecodeStream() override;
    // Decodes the next filled buffer; false when none is waiting.
    bool DecodeNextBuffer();

private:
    CKRXDecoderPlugin* m_plugin;
    // Set on the user-interface thread, read on the decode and receive threads.
    std::atomic<CDVBDisplay*> m_display { nullptr };
    std::unique_ptr<CDVBPictureDecoder> m_decoder;
};
