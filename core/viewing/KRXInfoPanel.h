#pragma once
// The on-screen panel: the service with its channel number, what is on now
// and next, and how far the running event has come, in a dark box across
// the lower part of the picture. It shows for a few seconds after each zap,
// or until asked away. The owner's thread shows, hides and ticks it with its
// own clock; the display's frame thread draws it.
#include "platform/CString.h"
#include "platform/CriticalSection.h"
#include "plugin/DVBDisplayLayer.h"

class CDVBProgram;

class CKRXInfoPanel : public CDVBDisplayLayer
{
public:
    static constexpr int64_t ShowMs = 3000;
    // Text is drawn at twice the font's size.
    static constexpr int Scale = 2;
    static constexpr int Margin = 32; // left, right and below the box
    static constexpr int Padding = 8;
    static constexpr int LineHeight = 20;
    static constexpr int BarHeight = 8;
    static constexpr int BoxHeight = 3 * LineHeight + BarHeight + 3 * Padding;

    struct Lines {
        CString heading; // channel number and name
        CString now; // start time and title
        CString next;
        int progress = -1; // per mille of the running event gone by; -1 without one
        bool operator==(const Lines&) const = default;
    };

    // The lines of the programme; nowSeconds is the local time as seconds
    // since 1970, as the schedule's times are.
    static Lines Describe(CDVBProgram& program, int64_t nowSeconds);

    // Shows the lines until forMs after nowMs; a negative forMs shows them
    // until asked away (a radio service has no picture to keep clear).
    void Show(const Lines& lines, int64_t nowMs, int64_t forMs = ShowMs);
    // Shown it goes; hidden it shows, until asked away (or the next zap).
    void Toggle(const Lines& lines);
    // New lines for the panel as it is, shown or not.
    void SetLines(const Lines& lines);
    // Hides the panel once its time is up.
    void OnTick(int64_t nowMs);
    bool IsShown() const;
    Lines GetLines() const;

    void DrawIntoFrame(
        int width, int height, int pitch, unsigned char* Y, unsigned char* U, unsigned char* V, int64_t time) override;

private:
    static void DrawText(const CString& text, int left, int top, int right, int pitch, unsigned char* Y);

    mutable CCriticalSection m_section;
    Lines m_lines;
    bool m_shown = false;
    int64_t m_hideAtMs = -1; // -1: until asked away
};
