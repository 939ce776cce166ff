#pragma once
// The program's side of a timer: the window has one multiplex open, so a
// timer that needs another one takes it over. Nothing open, or the timer's
// own multiplex open: it records at once. Another multiplex watched: the
// user is told, and after a 30-second countdown that the user may cancel the
// window switches to the timer's multiplex and records; when the recording
// ends it returns to what was watched. Everything else is left to the
// recorder that records what the window has open, one timer at a time.
#include "timers/KRXTimerRecorder.h"

#include <cstdint>
#include <functional>

class CKRXTimerHandover : public CKRXTimerRecorder
{
public:
    static constexpr int64_t kCountdownMs = 30000;

    // What the window shows; an empty multiplex when none is open.
    struct Place {
        CString input;
        CString multiplex;
        CString service; // a programme number or a name
        bool operator==(const Place&) const = default;
    };
    // The window: what it watches, and opening a place (false with the reason).
    class CWindow
    {
    public:
        virtual ~CWindow() = default;
        virtual Place GetWatched() = 0;
        virtual bool Watch(const Place& place, CString& error) = 0;
    };

    // nowMs is a monotonic clock in milliseconds.
    CKRXTimerHandover(CWindow& window, CKRXTimerRecorder& recorder, std::function<int64_t()> nowMs);

    EStart StartRecording(const CKRXTimer& timer, const CString& file, CString& error) override;
    bool StopRecording(const CKRXTimer& timer, CString& error) override;
    CString CheckRecording(const CKRXTimer& timer, bool& fatal) override;
    unsigned char GetRunningStatus(const CKRXTimer& timer) override;

    // The timer counting down (0 when none) and the whole seconds left.
    int GetCountingTimer() const { return m_counting; }
    int GetSecondsLeft() const;
    // What the countdown's message says.
    const CString& GetCountdownText() const { return m_text; }
    // The user's "no": the timer fails instead.
    void Cancel() { m_cancelled = m_counting != 0; }

private:
    EStart Record(const CKRXTimer& timer, const CString& file, CString& error);

    CWindow& m_window;
    CKRXTimerRecorder& m_recorder;
    std::function<int64_t()> m_nowMs;
    int m_counting = 0;
    int64_t m_deadlineMs = 0;
    bool m_cancelled = false;
    CString m_text;
    int m_recording = 0; // the timer the window records

    // Where to go back to when the recording that took the window over ends.
    Place m_returnTo;
};
