#pragma once
// Pictures with recognisable contents, a clock the test sets by hand, and a
// layer that records what it was given.
#include "DVBDisplayDX.h"
#include "MemorySurface.h"

#include "stream/DVBProgramClock.h"

#include <atomic>
#include <vector>

struct STestPicture {
    int width, height;
    std::vector<unsigned char> Y, U, V;

    // Every plane different, every row different, so swapped planes or a wrong pitch show.
    STestPicture(int w, int h, int seed)
        : width(w)
        , height(h)
    {
        for (int i = 0; i < w * h; ++i)
            Y.push_back((unsigned char)(seed + i * 7 + i / w));
        for (int i = 0; i < (w / 2) * (h / 2); ++i) {
            U.push_back((unsigned char)(seed * 3 + i * 5 + 1));
            V.push_back((unsigned char)(seed * 11 + i * 13 + 2));
        }
    }
    void SendTo(CDVBDisplay& display, int64_t time) const
    {
        display.OnFrame(width, height, Y.data(), U.data(), V.data(), time);
    }
};

class CScriptedClock : public CDVBProgramClock
{
public:
    bool GetProgramClock(int64_t& clock, bool now) override
    {
        ++m_reads;
        m_askedForNow = now;
        clock = m_value;
        return m_readable;
    }
    std::atomic<int64_t> m_value { 0 };
    std::atomic<bool> m_readable { true };
    std::atomic<int> m_reads { 0 };
    std::atomic<bool> m_askedForNow { false };
};

struct SLayerCall {
    int width, height, pitch;
    int64_t time;
};

class CRecordingLayer : public CDVBDisplayLayer
{
public:
    explicit CRecordingLayer(unsigned char mark = 0)
        : m_mark(mark)
    {
    }
    void DrawIntoFrame(
        int width, int height, int pitch, unsigned char* Y, unsigned char*, unsigned char*, int64_t time) override
    {
        m_calls.push_back({ width, height, pitch, time });
        if (m_mark)
            Y[0] = m_mark; // the first pixel shows which layer drew last
    }
    std::vector<SLayerCall> m_calls;
    unsigned char m_mark;
};

// A display driven by hand: the surface is opened at millisecond 0 and
// every wake of the frame thread is a call of ShowDueFrames.
struct SDrivenDisplay {
    std::shared_ptr<SMemorySurfaceState> surface = std::make_shared<SMemorySurfaceState>();
    CDVBDisplayDX display { std::make_unique<CMemorySurface>(surface), DVB_DEFAULT_OVERLAY_COLOUR };

    SDrivenDisplay()
    {
        CString error;
        display.OpenSurface(error, 0);
    }
    std::vector<int64_t> PresentedTimes()
    {
        std::vector<int64_t> times;
        for (const SPresentedPicture& picture : surface->Presented())
            times.push_back(picture.blank ? -1 : picture.time);
        return times;
    }
};

// The same, with a scripted programme clock and a recording layer attached.
struct SClockedDisplay : SDrivenDisplay {
    CScriptedClock clock;
    CRecordingLayer layer;

    SClockedDisplay()
    {
        display.SetProgramClock(&clock);
        display.AddDisplayLayer(&layer);
    }
    ~SClockedDisplay()
    {
        display.RemoveDisplayLayer(&layer);
        display.SetProgramClock(nullptr);
    }
};
