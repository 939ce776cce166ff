#include "DVBDisplayDX.h"

#include "plugin/KRXAVLog.h"
#include "plugin/KRXAVOffset.h"
#include "stream/DVBProgramClock.h"
#include "stream/DVBTiming.h"

#include "platform/Clock.h"
#include "platform/DebugOutput.h"
#include "platform/MessageBox.h"

#include <algorithm>
#include <cstring>

namespace {
// Set-up waits this long for the frame thread to open its window.
constexpr uint32_t SETUP_WAIT_MS = 10000;
constexpr uint32_t STOP_WAIT_MS = 1000;
constexpr int BLANK_WIDTH = 720;
constexpr int BLANK_HEIGHT = 576;

// Packed planes into the surface's, two luma rows and one chroma row at a time.
void CopyPlanes(const CDVBVideoFrame& frame, const SDVBSurfacePlanes& planes)
{
    const int width = frame.GetWidth();
    const int chromaWidth = width / 2;
    const int chromaPitch = planes.pitch / 2;
    const unsigned char* Y = frame.GetY();
    const unsigned char* U = frame.GetU();
    const unsigned char* V = frame.GetV();
    unsigned char* toY = planes.Y;
    unsigned char* toU = planes.U;
    unsigned char* toV = planes.V;
    for (int pair = 0; pair < frame.GetHeight() / 2; ++pair) {
        memcpy(toY, Y, width);
        memcpy(toY + planes.pitch, Y + width, width);
        memcpy(toU, U, chromaWidth);
        memcpy(toV, V, chromaWidth);
        Y += 2 * width;
        U += chromaWidth;
        V += chromaWidth;
        toY += 2 * planes.pitch;
        toU += chromaPitch;
        toV += chromaPitch;
    }
}
} // namespace

CString DVBDisplaySetupErrorText(const CString& specific)
{
    return "An error has occurred whilst trying to setup Korrix's video display.\r\n"
           "This will almost certainly mean the video display won't work.\r\n"
           "To be more precise, the error is as follows:\r\n"
        + specific;
}

void ReportDisplaySetupError(const CString& specific)
{
    KRXMessageBox(DVBDisplaySetupErrorText(specific), "Korrix Video", KRX_MB_OK | KRX_MB_ICONERROR);
}

CDVBDisplayDX::CDVBDisplayDX(std::unique_ptr<CDVBDisplaySurface> surface, unsigned overlayColour)
    : m_surface(std::move(surface))
    , m_overlayColour(overlayColour)
{
    for (int i = 0; i < DVB_DISPLAY_QUEUE_FRAMES; ++i)
        m_free.Append(new CDVBVideoFrame);
}

CDVBDisplayDX::~CDVBDisplayDX()
{
    m_stop.Set();
    m_thread.StopWithin(STOP_WAIT_MS);
}

void CDVBDisplayDX::Start()
{
    m_frameThreadRunning = true;
    m_thread.Start([this] { FrameThread(); });
    if (!m_setUpDone.Wait(SETUP_WAIT_MS)) {
        ReportDisplaySetupError("The video window did not open in time.");
        return;
    }
    // Reported here rather than on the frame thread: the caller may be the
    // thread that shows message boxes.
    if (!m_setUpError.empty())
        ReportDisplaySetupError(m_setUpError);
}

bool CDVBDisplayDX::OpenSurface(CString& error, uint32_t now)
{
    m_lastShown = now;
    m_surfaceOpen = m_surface->Open(error);
    return m_surfaceOpen;
}

void CDVBDisplayDX::FrameThread()
{
    SetCurrentThreadPriority(KRX_PRIORITY_ABOVE_NORMAL);
    OpenSurface(m_setUpError, GetMillisecondTime());
    m_setUpDone.Set();
    uint32_t now = GetMillisecondTime();
    uint32_t pumped = now;
    for (;;) {
        // Asking the display server for events on every wake cost more than
        // showing the pictures; a user does not notice 20 ms. The same bound
        // catches a programme clock that moved on faster than foreseen.
        const uint32_t untilPump = DVB_DISPLAY_EVENTS_EVERY_MS - std::min(now - pumped, DVB_DISPLAY_EVENTS_EVERY_MS);
        const uint32_t wait = std::min(GetMillisecondsUntilDue(now), untilPump);
        if (WaitForEvents({ &m_stop, &m_pulse, &m_frameQueued }, wait) == 0)
            break;
        now = GetMillisecondTime();
        if (m_surfaceOpen && now - pumped >= DVB_DISPLAY_EVENTS_EVERY_MS) {
            m_surface->PumpEvents();
            pumped = now;
        }
        ShowDueFrames(now);
    }
    m_surface->Close();
}

uint32_t CDVBDisplayDX::GetMillisecondsUntilDue(uint32_t now)
{
    const uint32_t sinceShown = now - m_lastShown;
    const uint32_t untilBlank = DVB_DISPLAY_BLANK_AFTER_MS - std::min(sinceShown, DVB_DISPLAY_BLANK_AFTER_MS);
    int64_t time;
    if (!m_queue.GetFrontTime(time))
        return untilBlank;
    int64_t clock;
    {
        CSingleLock lock(&m_clockSection, true);
        if (!m_clock || !m_clock->GetProgramClock(clock, true))
            return 0; // shown as it comes
    }
    // A timeline's first picture is shown at once, one off the clock dropped at once.
    const int64_t distance = DVBClockDifference(time, DVBClockModulo(clock));
    if (m_stillTimeline != m_timeline.load(std::memory_order_acquire) || distance > DVB_DISPLAY_OFF_CLOCK_TICKS
        || distance < -DVB_DISPLAY_OFF_CLOCK_TICKS)
        return 0;
    return DVBMillisecondsUntil(DVBClockModulo(clock), time);
}

void CDVBDisplayDX::SetProgramClock(CDVBProgramClock* clock)
{
    {
        CSingleLock lock(&m_clockSection, true);
        m_clock = clock;
    }
    Flush();
}

void CDVBDisplayDX::Flush()
{
    m_timeline.fetch_add(1, std::memory_order_acq_rel);
    while (CDVBVideoFrame* frame = m_queue.TakeFront())
        Release(frame);
    // A decoder waiting for room finds it, or finds its picture outdated.
    m_frameFreed.Set();
}

void CDVBDisplayDX::Release(CDVBVideoFrame* frame)
{
    m_free.Append(frame);
    m_frameFreed.Set();
}

void CDVBDisplayDX::OnFrame(
    int width, int height, const unsigned char* Y, const unsigned char* U, const unsigned char* V, int64_t time)
{
    // Beyond any broadcast picture: twenty such frames would not fit in memory.
    if (width <= 0 || height <= 0 || width > DVB_DISPLAY_MAX_SIDE || height > DVB_DISPLAY_MAX_SIDE || !Y || !U || !V)
        return;
    const unsigned timeline = m_timeline.load(std::memory_order_acquire);
    CDVBVideoFrame* frame = TakeFrameToFill(timeline);
    if (!frame) // every frame is on the frame thread: this picture cannot be kept
        return;
    frame->SetSize(width, height);
    frame->SetTime(time);
    frame->SetColourSpace(m_colourSpace.load());
    frame->CopyFrom(Y, U, V);
    if (m_timeline.load(std::memory_order_acquire) != timeline) {
        Release(frame);
        return;
    }
    // Only a picture that reaches an empty queue can be due before the time
    // the frame thread sleeps to.
    if (m_queue.Append(frame) == 1)
        m_frameQueued.Set();
}

// A full queue first holds the decoder back: pictures decoded well ahead of
// their time (a stream with a long decoder delay, a file read in bursts) are
// then shown instead of dropped, and the compressed data waits in the
// receiver's buffers. Only when the frame thread releases nothing for a while
// (the clock stands still) is the oldest picture given up. A flush ends the
// wait at once: whoever closes the decoder flushes first, so a join never
// waits on the queue.
CDVBVideoFrame* CDVBDisplayDX::TakeFrameToFill(unsigned timeline)
{
    const uint32_t start = GetMillisecondTime();
    for (;;) {
        if (CDVBVideoFrame* frame = m_free.TakeFront())
            return frame;
        const uint32_t waited = GetMillisecondTime() - start;
        if (!m_frameThreadRunning || waited >= DVB_DISPLAY_FULL_WAIT_MS
            || m_timeline.load(std::memory_order_acquire) != timeline
            || WaitForEvents({ &m_stop, &m_frameFreed }, DVB_DISPLAY_FULL_WAIT_MS - waited) == 0)
            break;
    }
    CDVBVideoFrame* frame = m_queue.TakeFront();
    if (frame)
        ++m_dropped;
    return frame;
}

void CDVBDisplayDX::OnEveryMillisecond()
{
    m_pulse.Set();
}

bool CDVBDisplayDX::AddDisplayLayer(CDVBDisplayLayer* layer)
{
    m_layers.Add(layer);
    return true;
}

bool CDVBDisplayDX::RemoveDisplayLayer(CDVBDisplayLayer* layer)
{
    return m_layers.Remove(layer);
}

void CDVBDisplayDX::SetDisplayAspectRatio(int numerator, int denominator)
{
    CSingleLock lock(&m_aspectSection, true);
    m_aspect[0] = numerator;
    m_aspect[1] = denominator;
}

void CDVBDisplayDX::SetColourSpace(const SDVBColourSpace& space)
{
    m_colourSpace.store(space);
}

void CDVBDisplayDX::GetPictureCounts(uint64_t& shown, uint64_t& dropped) const
{
    shown = m_shown;
    dropped = m_dropped;
}

void CDVBDisplayDX::ShowDueFrames(uint32_t now)
{
    ForwardAspectRatio();
    for (;;) {
        int64_t clock = 0;
        CDVBVideoFrame* frame = TakeNextFrame(clock);
        const bool blank = frame == nullptr;
        if (blank) {
            if (now - m_lastShown < DVB_DISPLAY_BLANK_AFTER_MS)
                return;
            frame = GetBlankFrame();
        }
        if (frame->GetWidth() != m_surfaceWidth || frame->GetHeight() != m_surfaceHeight)
            PrepareSurface(frame->GetWidth(), frame->GetHeight());
        ForwardColourSpace(*frame);
        if (m_surfaceReady)
            Draw(*frame, clock, blank);
        m_lastShown = now;
        if (blank)
            return;
        Release(frame);
    }
}

CDVBVideoFrame* CDVBDisplayDX::TakeNextFrame(int64_t& clock)
{
    bool clocked;
    {
        CSingleLock lock(&m_clockSection, true);
        clocked = m_clock && m_clock->GetProgramClock(clock, true);
    }
    if (!clocked) {
        clock = 0;
        return m_queue.TakeFront();
    }
    clock = DVBClockModulo(clock);
    while (DropIfOffClock(clock)) { }
    // The first picture of a timeline is shown as a still when it comes
    // early; the clock releases the rest.
    const unsigned timeline = m_timeline.load(std::memory_order_acquire);
    if (m_stillTimeline == timeline)
        return m_queue.TakeFrontIfDue(clock);
    CDVBVideoFrame* frame = m_queue.TakeFront();
    if (frame)
        m_stillTimeline = timeline;
    return frame;
}

bool CDVBDisplayDX::DropIfOffClock(int64_t clock)
{
    CDVBVideoFrame* frame = m_queue.TakeFrontIf([clock](const CDVBVideoFrame& front) {
        const int64_t distance = DVBClockDifference(front.GetTime(), clock);
        return distance > DVB_DISPLAY_OFF_CLOCK_TICKS || distance < -DVB_DISPLAY_OFF_CLOCK_TICKS;
    });
    if (!frame)
        return false;
    ++m_dropped;
    Release(frame);
    return true;
}

CDVBVideoFrame* CDVBDisplayDX::GetBlankFrame()
{
    if (!m_blank) {
        m_blank = std::make_unique<CDVBVideoFrame>();
        m_blank->SetSize(BLANK_WIDTH, BLANK_HEIGHT);
        m_blank->Fill(0x00, 0x80);
    }
    return m_blank.get();
}

void CDVBDisplayDX::PrepareSurface(int width, int height)
{
    m_surfaceWidth = width;
    m_surfaceHeight = height;
    m_surfaceReady = false;
    if (!m_surfaceOpen)
        return;
    CString error;
    m_surfaceReady = m_surface->Create(width, height, error);
    if (!m_surfaceReady)
        ReportDisplaySetupError(error);
}

void CDVBDisplayDX::ForwardAspectRatio()
{
    int aspect[2];
    {
        CSingleLock lock(&m_aspectSection, true);
        aspect[0] = m_aspect[0];
        aspect[1] = m_aspect[1];
    }
    if (aspect[0] == m_shownAspect[0] && aspect[1] == m_shownAspect[1])
        return;
    m_shownAspect[0] = aspect[0];
    m_shownAspect[1] = aspect[1];
    if (m_surfaceOpen)
        m_surface->SetAspectRatio(aspect[0], aspect[1]);
}

void CDVBDisplayDX::ForwardColourSpace(const CDVBVideoFrame& frame)
{
    if (frame.GetColourSpace() == m_surfaceColourSpace)
        return;
    m_surfaceColourSpace = frame.GetColourSpace();
    if (m_surfaceOpen)
        m_surface->SetColourSpace(m_surfaceColourSpace);
}

void CDVBDisplayDX::Draw(const CDVBVideoFrame& frame, int64_t clock, bool blank)
{
    SDVBSurfacePlanes planes;
    if (!m_surface->Lock(planes))
        return;
    CopyPlanes(frame, planes);
    m_layers.DrawAll(frame.GetWidth(), frame.GetHeight(), planes.pitch, planes.Y, planes.U, planes.V, clock);
    m_surface->Unlock();
    if (!blank) // counted first, so whoever sees it presented sees it counted
        ++m_shown;
    m_surface->Present(frame.GetTime(), blank);
    Log(frame, clock, blank);
}

void CDVBDisplayDX::Log(const CDVBVideoFrame& frame, int64_t clock, bool blank)
{
    if (!blank)
        CKRXAVOffset::AddVideo(DVBClockDifference(clock, frame.GetTime()));
    if (!CKRXAVLog::IsOpen())
        return;
    const int64_t presented = GetMonotonicNanoseconds();
    const CString time = blank ? CString("blank") : FormatString("%" PRId64, DVBClockModulo(frame.GetTime()));
    CKRXAVLog::Write(FormatString("video,%s,%" PRId64 ",%" PRId64, time.c_str(), clock, presented));
}
