#pragma once
// An in-memory surface that keeps every picture presented to it as the layers
// left it (and can be told to fail), pictures with recognisable contents, a
// clock set by hand and a layer that records its calls.
#include "DVBDisplayDX.h"
#include "DVBPlaneBuffer.h"

#include "stream/DVBProgramClock.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

struct STestPicture {
    int width, height;
    std::vector<unsigned char> Y, U, V; // packed
    int64_t time = 0;
    bool blank = false;

    STestPicture() = default;
    // Every plane and row different, so swapped planes or a wrong pitch show.
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
    void SendTo(CDVBDisplay& display, int64_t at) const
    {
        display.OnFrame(width, height, Y.data(), U.data(), V.data(), at);
    }
};

// Outlives the surface, so a test can look after the display closed it.
struct SMemorySurfaceState {
    std::mutex mutex;
    std::vector<STestPicture> presented;
    std::vector<std::pair<int, int>> created;
    std::pair<int, int> aspect { 0, 0 };
    bool closed = false;
    CEvent presentedEvent { false, false };
    bool failOpen = false;
    int failCreateWidth = -1;
    bool failLock = false;

    std::vector<int64_t> Times() // -1 for a blank frame
    {
        std::lock_guard<std::mutex> lock(mutex);
        std::vector<int64_t> times;
        for (const STestPicture& picture : presented)
            times.push_back(picture.blank ? -1 : picture.time);
        return times;
    }
};

class CMemorySurface : public CDVBDisplaySurface
{
public:
    explicit CMemorySurface(std::shared_ptr<SMemorySurfaceState> state)
        : m_state(std::move(state))
    {
    }

    bool Open(CString& error) override
    {
        error = "no screen here";
        return !m_state->failOpen;
    }
    bool Create(int width, int height, CString& error) override
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->created.emplace_back(width, height);
        error = "too wide";
        m_buffer.SetSize(width, height, width + 24); // a pitch wider than the picture
        return width != m_state->failCreateWidth;
    }
    bool Lock(SDVBSurfacePlanes& planes) override
    {
        planes = m_buffer.GetPlanes();
        return !m_state->failLock;
    }
    void Unlock() override { }
    void Present(int64_t time, bool blank) override
    {
        STestPicture picture;
        picture.width = m_buffer.GetWidth();
        picture.height = m_buffer.GetHeight();
        picture.time = time;
        picture.blank = blank;
        const int pitch = m_buffer.GetPitch();
        for (int row = 0; row < picture.height; ++row) {
            const unsigned char* Y = m_buffer.GetY() + row * pitch;
            picture.Y.insert(picture.Y.end(), Y, Y + picture.width);
            if (row % 2)
                continue;
            const unsigned char* U = m_buffer.GetU() + row / 2 * (pitch / 2);
            const unsigned char* V = m_buffer.GetV() + row / 2 * (pitch / 2);
            picture.U.insert(picture.U.end(), U, U + picture.width / 2);
            picture.V.insert(picture.V.end(), V, V + picture.width / 2);
        }
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->presented.push_back(std::move(picture));
        m_state->presentedEvent.Set();
    }
    void SetAspectRatio(int numerator, int denominator) override { m_state->aspect = { numerator, denominator }; }
    void Close() override
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->closed = true;
    }

private:
    std::shared_ptr<SMemorySurfaceState> m_state;
    CDVBPlaneBuffer m_buffer;
};

class CScriptedClock : public CDVBProgramClock
{
public:
    bool GetProgramClock(int64_t& clock, bool now) override
    {
        m_askedForNow = now;
        clock = m_value;
        return m_readable;
    }
    std::atomic<int64_t> m_value { 0 };
    std::atomic<bool> m_readable { true };
    std::atomic<bool> m_askedForNow { false };
};

class CRecordingLayer : public CDVBDisplayLayer
{
public:
    explicit CRecordingLayer(unsigned char mark = 0)
        : m_mark(mark)
    {
    }
    void DrawIntoFrame(
        int width, int, int pitch, unsigned char* Y, unsigned char*, unsigned char*, int64_t time) override
    {
        m_calls.push_back({ width, pitch, time });
        if (m_mark)
            Y[0] = m_mark; // the first pixel shows which layer drew last
    }
    struct SCall {
        int width, pitch;
        int64_t time;
    };
    std::vector<SCall> m_calls;
    unsigned char m_mark;
};

// A display driven by hand: the surface opened at millisecond 0, every wake of
// the frame thread a call of ShowDueFrames; a scripted clock and a layer attached.
struct SDrivenDisplay {
    std::shared_ptr<SMemorySurfaceState> surface = std::make_shared<SMemorySurfaceState>();
    CDVBDisplayDX display { std::make_unique<CMemorySurface>(surface), DVB_DEFAULT_OVERLAY_COLOUR };
    CScriptedClock clock;
    CRecordingLayer layer;

    SDrivenDisplay()
    {
        CString error;
        display.OpenSurface(error, 0);
        display.SetProgramClock(&clock);
        display.AddDisplayLayer(&layer);
    }
    ~SDrivenDisplay() { display.RemoveDisplayLayer(&layer); }
};
