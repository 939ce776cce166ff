#include "viewing/KRXInfoPanel.h"

#include "si/DVBProgram.h"
#include "viewing/KRXBitmapFont.h"
#include "viewing/KRXServiceRows.h"

#include "si/DVBText.h"

#include <algorithm>

namespace {
constexpr unsigned char TextLuma = 235;
constexpr unsigned char BarLuma = 180;
constexpr int Advance = (CKRXBitmapFont::GLYPH_WIDTH + 1) * CKRXInfoPanel::Scale;

CString EventLine(const char* label, const CDVBScheduleEntry& entry)
{
    return FormatString("%s %s  %s", label, entry.m_startTimeText.c_str(), DVBTextToUTF8(entry.m_title).c_str());
}

int Progress(const CDVBScheduleEntry& now, int64_t nowSeconds)
{
    const int64_t start = SystemTimeToSeconds(now.m_start);
    const int64_t length = SystemTimeToSeconds(now.m_end) - start;
    if (length <= 0)
        return -1;
    return static_cast<int>(std::clamp<int64_t>((nowSeconds - start) * 1000 / length, 0, 1000));
}
} // namespace

CKRXInfoPanel::Lines CKRXInfoPanel::Describe(CDVBProgram& program, int64_t nowSeconds)
{
    Lines lines;
    const CString name = CKRXServiceRows::GetServiceName(program);
    lines.heading
        = program.GetChannelNumber() < 0 ? name : FormatString("%d  %s", program.GetChannelNumber(), name.c_str());
    CDVBScheduleEntry now, next;
    const int found = program.GetSchedule()->GetNowAndNextInformation(&now, &next);
    if (found & DVB_HAS_NOW) {
        lines.now = EventLine("Now ", now);
        lines.progress = Progress(now, nowSeconds);
    }
    if (found & DVB_HAS_NEXT)
        lines.next = EventLine("Next", next);
    return lines;
}

void CKRXInfoPanel::Show(const Lines& lines, int64_t nowMs, int64_t forMs)
{
    CSingleLock lock(&m_section, true);
    m_lines = lines;
    m_shown = true;
    m_hideAtMs = forMs < 0 ? -1 : nowMs + forMs;
}

void CKRXInfoPanel::Toggle(const Lines& lines)
{
    CSingleLock lock(&m_section, true);
    m_lines = lines;
    m_shown = !m_shown;
    m_hideAtMs = -1;
}

void CKRXInfoPanel::SetLines(const Lines& lines)
{
    CSingleLock lock(&m_section, true);
    m_lines = lines;
}

void CKRXInfoPanel::OnTick(int64_t nowMs)
{
    CSingleLock lock(&m_section, true);
    if (m_shown && m_hideAtMs >= 0 && nowMs >= m_hideAtMs)
        m_shown = false;
}

bool CKRXInfoPanel::IsShown() const
{
    CSingleLock lock(&m_section, true);
    return m_shown;
}

CKRXInfoPanel::Lines CKRXInfoPanel::GetLines() const
{
    CSingleLock lock(&m_section, true);
    return m_lines;
}

// The box darkens the luma under it and greys the chroma, so the text reads on any picture.
void CKRXInfoPanel::DrawIntoFrame(
    int width, int height, int pitch, unsigned char* Y, unsigned char* U, unsigned char* V, int64_t /*time*/)
{
    CSingleLock lock(&m_section, true);
    const int left = Margin, right = width - Margin;
    const int bottom = height - Margin, top = bottom - BoxHeight;
    if (!m_shown || top < 0 || right - left < 2 * Padding)
        return;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x)
            Y[y * pitch + x] = static_cast<unsigned char>(Y[y * pitch + x] / 4);
    }
    for (int y = top / 2; y < bottom / 2; ++y) {
        std::fill(U + y * (pitch / 2) + left / 2, U + y * (pitch / 2) + right / 2, 128);
        std::fill(V + y * (pitch / 2) + left / 2, V + y * (pitch / 2) + right / 2, 128);
    }
    const int textLeft = left + Padding, textRight = right - Padding;
    int line = top + Padding;
    for (const CString* text : { &m_lines.heading, &m_lines.now, &m_lines.next }) {
        DrawText(*text, textLeft, line, textRight, pitch, Y);
        line += LineHeight;
    }
    if (m_lines.progress < 0)
        return;
    const int filled = (textRight - textLeft) * m_lines.progress / 1000;
    for (int y = line; y < line + BarHeight; ++y) {
        for (int x = textLeft; x < textRight; ++x) {
            const bool edge = y == line || y == line + BarHeight - 1 || x == textLeft || x == textRight - 1;
            if (edge || x < textLeft + filled)
                Y[y * pitch + x] = BarLuma;
        }
    }
}

// As much of the text as fits between left and right.
void CKRXInfoPanel::DrawText(const CString& text, int left, int top, int right, int pitch, unsigned char* Y)
{
    const int fits = std::max(0, (right - left) / Advance);
    const int count = std::min<int>(fits, static_cast<int>(text.size()));
    for (int i = 0; i < count; ++i) {
        for (int y = 0; y < CKRXBitmapFont::GLYPH_HEIGHT * Scale; ++y) {
            for (int x = 0; x < CKRXBitmapFont::GLYPH_WIDTH * Scale; ++x) {
                if (CKRXBitmapFont::IsSet(text[i], x / Scale, y / Scale))
                    Y[(top + y) * pitch + left + i * Advance + x] = TextLuma;
            }
        }
    }
}
