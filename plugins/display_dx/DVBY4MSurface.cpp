#include "DVBY4MSurface.h"

#include "stream/DVBTiming.h"

#include "platform/DebugOutput.h"

#include <cerrno>
#include <cstring>
#include <numeric>

namespace {
// Used when a file holds a single picture, or the spacing makes no sense.
constexpr int64_t DEFAULT_SPACING = DVB_PROGRAM_CLOCK_FREQUENCY / 25;
} // namespace

CDVBY4MSurface::CDVBY4MSurface(CString path)
    : m_path(std::move(path))
{
}

CDVBY4MSurface::~CDVBY4MSurface()
{
    Close();
}

bool CDVBY4MSurface::Open(CString& error)
{
    m_file = fopen(m_path.c_str(), "wb");
    if (!m_file)
        error = FormatString("Failed to create the video file %s: %s", m_path.c_str(), strerror(errno));
    return m_file != nullptr;
}

bool CDVBY4MSurface::Create(int width, int height, CString&)
{
    m_drawing.SetSize(width, height);
    return true;
}

bool CDVBY4MSurface::Lock(SDVBSurfacePlanes& planes)
{
    planes = m_drawing.GetPlanes();
    return true;
}

void CDVBY4MSurface::SetAspectRatio(int numerator, int denominator)
{
    m_aspect[0] = numerator;
    m_aspect[1] = denominator;
}

void CDVBY4MSurface::Present(int64_t time, bool blank)
{
    if (blank || !m_file)
        return;
    const bool sizeChanged
        = m_fileUsed && (m_drawing.GetWidth() != m_held.GetWidth() || m_drawing.GetHeight() != m_held.GetHeight());
    if (sizeChanged && !StartNextFile())
        return;
    if (!m_fileUsed) {
        // m_held also remembers the file's picture size after the header is written
        m_held = m_drawing;
        m_heldTime = time;
        m_holding = true;
        m_fileUsed = true;
        return;
    }
    if (m_holding) {
        WriteHeader(DVBClockDifference(time, m_heldTime));
        WriteFrame(m_held);
        m_holding = false;
    }
    WriteFrame(m_drawing);
}

bool CDVBY4MSurface::StartNextFile()
{
    FinishFile();
    const CString path = FormatString("%s.%d", m_path.c_str(), ++m_fileIndex);
    m_file = fopen(path.c_str(), "wb");
    if (!m_file)
        DebugOutputFormat("Cannot create the video file %s: %s\n", path.c_str(), strerror(errno));
    return m_file != nullptr;
}

void CDVBY4MSurface::FinishFile()
{
    if (m_file && m_holding) {
        WriteHeader(DEFAULT_SPACING);
        WriteFrame(m_held);
    }
    if (m_file)
        fclose(m_file);
    m_file = nullptr;
    m_fileUsed = m_holding = false;
}

void CDVBY4MSurface::Close()
{
    FinishFile();
}

void CDVBY4MSurface::WriteHeader(int64_t spacing)
{
    if (spacing <= 0 || spacing > DVB_PROGRAM_CLOCK_FREQUENCY)
        spacing = DEFAULT_SPACING;
    const int64_t rateGcd = std::gcd(DVB_PROGRAM_CLOCK_FREQUENCY, spacing);
    const int width = m_held.GetWidth();
    const int height = m_held.GetHeight();
    CString header = FormatString("YUV4MPEG2 W%d H%d F%" PRId64 ":%" PRId64, width, height,
        DVB_PROGRAM_CLOCK_FREQUENCY / rateGcd, spacing / rateGcd);
    if (m_aspect[0] > 0 && m_aspect[1] > 0) {
        // The sample aspect ratio that stretches this picture to the display's shape.
        const int64_t across = int64_t(m_aspect[0]) * height;
        const int64_t down = int64_t(m_aspect[1]) * width;
        const int64_t aspectGcd = std::gcd(across, down);
        header += FormatString(" A%" PRId64 ":%" PRId64, across / aspectGcd, down / aspectGcd);
    }
    header += " C420mpeg2\n";
    fputs(header.c_str(), m_file);
}

void CDVBY4MSurface::WriteFrame(const CDVBPlaneBuffer& frame)
{
    bool written = fputs("FRAME\n", m_file) >= 0;
    const auto writeRows = [&](const unsigned char* plane, int rows, int width, int pitch) {
        for (int row = 0; row < rows; ++row)
            written = fwrite(plane + size_t(row) * size_t(pitch), 1, width, m_file) == size_t(width) && written;
    };
    writeRows(frame.GetY(), frame.GetHeight(), frame.GetWidth(), frame.GetPitch());
    writeRows(frame.GetU(), frame.GetChromaHeight(), frame.GetChromaWidth(), frame.GetPitch() / 2);
    writeRows(frame.GetV(), frame.GetChromaHeight(), frame.GetChromaWidth(), frame.GetPitch() / 2);
    if (!written && !m_writeFailed)
        DebugOutputFormat("Writing the video file failed: %s\n", strerror(errno));
    m_writeFailed = m_writeFailed || !written;
}
