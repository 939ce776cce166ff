#include "DVBY4MSurface.h"

#include "stream/DVBTiming.h"

#include "plugin/KRXOutputFaults.h"

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
    if (OpenFile(m_path))
        return true;
    error = "Failed to create the video file " + m_path + ": " + m_file.GetError();
    return false;
}

// A file that cannot be had is a fault of the output like a lost frame.
bool CDVBY4MSurface::OpenFile(const CString& path)
{
    m_filePath = path;
    if (m_file.Open(path))
        return true;
    CKRXOutputFaults::Report(path, m_file.GetError());
    return false;
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
    if (blank || !m_file.IsOpen())
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
    return OpenFile(FormatString("%s.%d", m_path.c_str(), ++m_fileIndex));
}

void CDVBY4MSurface::FinishFile()
{
    if (m_file.IsOpen() && m_holding) {
        WriteHeader(DEFAULT_SPACING);
        WriteFrame(m_held);
    }
    if (m_file.IsOpen() && !m_file.Close())
        CKRXOutputFaults::Report(m_filePath, m_file.GetError());
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
    // Goes out with the first frame: a file is a header with whole frames, or empty.
    Write(header);
}

void CDVBY4MSurface::WriteFrame(const CDVBPlaneBuffer& frame)
{
    Write("FRAME\n");
    const auto writeRows = [this](const unsigned char* plane, int rows, int width, int pitch) {
        for (int row = 0; row < rows; ++row) {
            const unsigned char* start = plane + size_t(row) * size_t(pitch);
            m_pending.insert(m_pending.end(), start, start + width);
        }
    };
    writeRows(frame.GetY(), frame.GetHeight(), frame.GetWidth(), frame.GetPitch());
    writeRows(frame.GetU(), frame.GetChromaHeight(), frame.GetChromaWidth(), frame.GetPitch() / 2);
    writeRows(frame.GetV(), frame.GetChromaHeight(), frame.GetChromaWidth(), frame.GetPitch() / 2);
    Flush();
}

void CDVBY4MSurface::Write(const CString& text)
{
    m_pending.insert(m_pending.end(), text.begin(), text.end());
}

void CDVBY4MSurface::Flush()
{
    const bool failedBefore = m_file.HasFailed();
    if (!m_file.Write(m_pending.data(), m_pending.size()) && !failedBefore)
        CKRXOutputFaults::Report(m_filePath, m_file.GetError());
    m_pending.clear();
}
