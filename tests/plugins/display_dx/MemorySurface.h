#pragma once
// A surface that keeps every picture presented to it, as the layers left it,
// and can be told to fail. Its state outlives it, so a test can look after
// the display has closed it.
#include "DVBPlaneBuffer.h"

#include "platform/Event.h"

#include <memory>
#include <mutex>
#include <utility>
#include <vector>

struct SPresentedPicture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> Y, U, V; // packed, as a frame holds them
    int64_t time = 0;
    bool blank = false;
};

struct SMemorySurfaceState {
    std::mutex mutex;
    std::vector<SPresentedPicture> presented;
    std::vector<std::pair<int, int>> created;
    std::pair<int, int> aspect { 0, 0 };
    bool closed = false;
    // Set on every Present, for tests that run the frame thread.
    CEvent presentedEvent { false, false };

    // Settings a test makes before the display starts.
    bool failOpen = false;
    int failCreateWidth = -1; // Create fails for pictures of this width
    bool failLock = false;
    int pitchPadding = 24;

    std::vector<SPresentedPicture> Presented()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return presented;
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
        if (m_state->failOpen)
            error = "no screen here";
        return !m_state->failOpen;
    }
    bool Create(int width, int height, CString& error) override
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->created.emplace_back(width, height);
        if (width == m_state->failCreateWidth) {
            error = "too wide";
            return false;
        }
        m_buffer.SetSize(width, height, width + (width & 1) + m_state->pitchPadding);
        return true;
    }
    bool Lock(SDVBSurfacePlanes& planes) override
    {
        planes = m_buffer.GetPlanes();
        return !m_state->failLock;
    }
    void Unlock() override { }
    void Present(int64_t time, bool blank) override
    {
        SPresentedPicture picture;
        picture.width = m_buffer.GetWidth();
        picture.height = m_buffer.GetHeight();
        picture.time = time;
        picture.blank = blank;
        const auto pack = [](const unsigned char* plane, int width, int height, int pitch) {
            std::vector<unsigned char> packed;
            for (int row = 0; row < height; ++row)
                packed.insert(packed.end(), plane + size_t(row) * pitch, plane + size_t(row) * pitch + width);
            return packed;
        };
        const int pitch = m_buffer.GetPitch();
        picture.Y = pack(m_buffer.GetY(), picture.width, picture.height, pitch);
        picture.U = pack(m_buffer.GetU(), picture.width / 2, picture.height / 2, pitch / 2);
        picture.V = pack(m_buffer.GetV(), picture.width / 2, picture.height / 2, pitch / 2);
        {
            std::lock_guard<std::mutex> lock(m_state->mutex);
            m_state->presented.push_back(std::move(picture));
        }
        m_state->presentedEvent.Set();
    }
    void SetAspectRatio(int numerator, int denominator) override
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->aspect = { numerator, denominator };
    }
    void Close() override
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->closed = true;
    }

private:
    std::shared_ptr<SMemorySurfaceState> m_state;
    CDVBPlaneBuffer m_buffer;
};
