#pragma once
// The display: queues a copy of each decoded picture, and on its frame thread
// shows each when the programme clock reaches the picture's time, with every
// display layer drawn into it. The frame thread sleeps until then (or until
// it next lets the window answer the user). Where the pictures go is the surface's business.
#include "DVBDisplayLayerList.h"
#include "DVBDisplaySurface.h"
#include "DVBVideoFrameList.h"

#include "plugin/DVBDisplay.h"

#include "platform/CriticalSection.h"
#include "platform/Event.h"
#include "platform/Thread.h"

#include <atomic>
#include <memory>

constexpr int DVB_DISPLAY_QUEUE_FRAMES = 20;
// Pictures wider or taller than this are not shown.
constexpr int DVB_DISPLAY_MAX_SIDE = 4096;
// With nothing to show for this long the display shows black, and again after as long.
constexpr uint32_t DVB_DISPLAY_BLANK_AFTER_MS = 500;
// The bars beside a letterboxed picture: black, there being no overlay to key
// ("Video"/"OverlayColour" still sets them).
constexpr unsigned DVB_DEFAULT_OVERLAY_COLOUR = 0x000000;
// How often the frame thread lets the window answer the user.
constexpr uint32_t DVB_DISPLAY_EVENTS_EVERY_MS = 20;
// How long a full queue holds the decoder back before the oldest picture is dropped.
constexpr uint32_t DVB_DISPLAY_FULL_WAIT_MS = 250;
// A picture this far from the programme clock, either way, belongs to
// another timeline: it is dropped rather than waited for or shown late.
constexpr int64_t DVB_DISPLAY_OFF_CLOCK_TICKS = 3 * 90000;

class CDVBDisplayDX : public CDVBDisplay
{
public:
    // overlayColour: 0x00BBGGRR, the colour around a letterboxed picture.
    CDVBDisplayDX(std::unique_ptr<CDVBDisplaySurface> surface, unsigned overlayColour);
    ~CDVBDisplayDX() override;

    void SetProgramClock(CDVBProgramClock* clock) override;
    void OnFrame(int width, int height, const unsigned char* Y, const unsigned char* U, const unsigned char* V,
        int64_t time) override;
    void OnEveryMillisecond() override;
    bool AddDisplayLayer(CDVBDisplayLayer* layer) override;
    bool RemoveDisplayLayer(CDVBDisplayLayer* layer) override;
    void SetDisplayAspectRatio(int numerator, int denominator) override;
    void GetPictureCounts(uint64_t& shown, uint64_t& dropped) const override;
    void Flush() override;
    void SetColourSpace(const SDVBColourSpace& space) override;
    // The frame thread sleeps until the next picture is due rather than on
    // the receive thread's tick.
    uint32_t GetMillisecondsUntilNotification() override { return KRX_INFINITE; }

    // Starts the frame thread and waits for it to open the surface; a failure
    // is reported to the user and leaves a display that shows nothing.
    void Start();
    // One wake of the frame thread at millisecond time now: shows every frame
    // that has come due, or the blank frame when nothing came for too long.
    // The frame thread calls it; tests drive it directly instead.
    void ShowDueFrames(uint32_t now);
    // How long the frame thread can sleep from millisecond time now: until
    // the front picture is due, or the blank frame when none waits.
    uint32_t GetMillisecondsUntilDue(uint32_t now);
    // Opens the surface on the calling thread at millisecond time now, from
    // which the wait for the blank frame counts; false with the reason.
    bool OpenSurface(CString& error, uint32_t now);

    unsigned GetOverlayColour() const { return m_overlayColour; }

private:
    void FrameThread();
    // The next frame to show and the clock it is released at (0 without a clock).
    CDVBVideoFrame* TakeNextFrame(int64_t& clock);
    CDVBVideoFrame* GetBlankFrame();
    void PrepareSurface(int width, int height);
    void ForwardColourSpace(const CDVBVideoFrame& frame);
    void ForwardAspectRatio();
    CDVBVideoFrame* TakeFrameToFill(unsigned timeline);
    // Gives the front picture up when it is too far from the clock to be shown.
    bool DropIfOffClock(int64_t clock);
    void Release(CDVBVideoFrame* frame);
    void Draw(const CDVBVideoFrame& frame, int64_t clock, bool blank);
    void Log(const CDVBVideoFrame& frame, int64_t clock, bool blank);

    CDVBVideoFrameList m_queue;
    CDVBVideoFrameList m_free;

    // Held while the clock is read, so that once SetProgramClock returns the
    // previous clock is never read again and may be deleted.
    CCriticalSection m_clockSection;
    CDVBProgramClock* m_clock = nullptr;

    CDVBDisplayLayerList m_layers;
    std::unique_ptr<CDVBDisplaySurface> m_surface;
    const unsigned m_overlayColour;

    CThread m_thread { "display frame thread" };
    CEvent m_stop { true, false };
    CEvent m_pulse { false, false };
    // Set when a picture reaches an empty queue.
    CEvent m_frameQueued { false, false };
    CEvent m_setUpDone { true, false };
    // Set each time a frame goes back to the free list.
    CEvent m_frameFreed { false, false };
    // Counts the flushes: a picture being copied in while one happens belongs
    // to the timeline before it and is not queued.
    std::atomic<unsigned> m_timeline { 0 };
    std::atomic<bool> m_frameThreadRunning { false };
    CString m_setUpError;

    // Frame thread only.
    bool m_surfaceOpen = false;
    bool m_surfaceReady = false;
    int m_surfaceWidth = 0;
    int m_surfaceHeight = 0;
    uint32_t m_lastShown = 0;
    std::unique_ptr<CDVBVideoFrame> m_blank;
    int m_shownAspect[2] = { 0, 0 };
    SDVBColourSpace m_surfaceColourSpace;
    // The timeline whose first picture has been shown; until then the next
    // picture is shown as a still, without waiting for the clock.
    unsigned m_stillTimeline = ~0u;

    CCriticalSection m_aspectSection;
    int m_aspect[2] = { 0, 0 };

    // Set and read on the decode thread, before each picture is queued.
    std::atomic<SDVBColourSpace> m_colourSpace;

    std::atomic<uint64_t> m_shown { 0 };
    std::atomic<uint64_t> m_dropped { 0 };
};

// The text of a set-up failure as the user sees it.
CString DVBDisplaySetupErrorText(const CString& specific);
void ReportDisplaySetupError(const CString& specific);
