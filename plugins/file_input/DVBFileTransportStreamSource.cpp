#include "DVBFileTransportStreamSource.h"

#include "DVBPacketAlignment.h"
#include "DVBRateEstimate.h"

#include "platform/Clock.h"
#include "stream/DVBPIDReceiver.h"
#include "stream/DVBTiming.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {
// Enough to pass over a damaged or foreign start of a file, and to hold a
// second or more of a low-rate stream's PCRs.
constexpr size_t kProbeSize = 1024 * 1024;
} // namespace

CDVBFileTransportStreamSource::CDVBFileTransportStreamSource(CString fileName)
    : m_fileName(std::move(fileName))
    , m_clock(GetMillisecondTime)
{
}

CDVBFileTransportStreamSource::~CDVBFileTransportStreamSource()
{
    CloseFile();
}

void CDVBFileTransportStreamSource::SetClock(MillisecondClock clock, uint32_t speed)
{
    m_clock = std::move(clock);
    m_speed = std::max(speed, 1u);
}

bool CDVBFileTransportStreamSource::Start()
{
    m_state = EState::Closed;
    CloseFile();
    m_ended.store(false, std::memory_order_release);
    const EState state = OpenFile();
    if (state != EState::Open)
        CloseFile();
    RestartFromFirstPacket();
    m_aheadSize = 0;
    m_next.reset();
    m_aheadStartedAgain = false;
    m_playFromStartAsked = false;
    m_aheadOffset = m_deliveredOffset = 0;
    m_loopTiming = CDVBLoopTiming();
    m_pacer.Restart(m_clock());
    m_state = state;
    return state == EState::Open;
}

CDVBFileTransportStreamSource::EState CDVBFileTransportStreamSource::OpenFile()
{
    m_fileSize = 0;
    // Without O_NONBLOCK, opening a named pipe waits for a writer, forever.
    m_file = open(m_fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat status;
    if (m_file < 0 || fstat(m_file, &status) != 0)
        return EState::NotOpened;
    // Pipes, devices and folders can neither be looped nor read at a position.
    if (!S_ISREG(status.st_mode))
        return S_ISDIR(status.st_mode) ? EState::NotOpened : EState::NotRegular;
    m_fileSize = static_cast<uint64_t>(status.st_size);
    if (status.st_size == 0)
        return EState::Empty;
    if (static_cast<uint64_t>(status.st_size) < DVB_PACKET_SIZE)
        return EState::TooShort;
    std::vector<unsigned char> probe(kProbeSize);
    const ssize_t got = pread(m_file, probe.data(), probe.size(), 0);
    const long firstPacket = got > 0 ? FindPacketAlignment(probe.data(), static_cast<size_t>(got)) : -1;
    if (firstPacket < 0)
        return EState::NoPackets;
    m_firstPacket = static_cast<uint64_t>(firstPacket);
    EstimateRate(&probe[m_firstPacket], static_cast<size_t>(got) - m_firstPacket);
    return EState::Open;
}

void CDVBFileTransportStreamSource::EstimateRate(unsigned char* packets, size_t size)
{
    m_pacedByTimestamps = false;
    m_pcrPid = FindPCRPID(packets, size);
    if (const int pcrRate = EstimateBitrateFromPCRs(packets, size)) {
        m_pacer.SetBitrate(pcrRate);
    } else if (const int timestampRate = EstimateBitrateFromTimestamps(packets, size)) {
        // Without PCRs the receiver never measures a rate, so this one stays.
        m_pacer.SetBitrate(timestampRate);
        m_pacedByTimestamps = true;
    }
}

void CDVBFileTransportStreamSource::CloseFile()
{
    if (m_file >= 0)
        close(m_file);
    m_file = -1;
}

bool CDVBFileTransportStreamSource::Stop()
{
    CloseFile();
    m_state = EState::Closed;
    return true;
}

// Where both the first play and every loop start.
void CDVBFileTransportStreamSource::RestartFromFirstPacket()
{
    m_position = m_firstPacket;
    m_bytesDelivered = 0;
}

bool CDVBFileTransportStreamSource::PlayFromStart()
{
    if (m_singlePass)
        return false;
    m_playFromStartAsked = true;
    return true;
}

unsigned long CDVBFileTransportStreamSource::ReadBuffer(unsigned char* buffer, unsigned long size)
{
    // Only whole packets, so every read (and every recording of the reads)
    // stays on packet boundaries.
    const unsigned long request = size - size % DVB_PACKET_SIZE;
    if (m_file < 0 || request == 0 || HasEnded())
        return 0;
    if (m_singlePass)
        return ReadSinglePass(buffer, request);
    if (m_playFromStartAsked.exchange(false)) {
        m_aheadSize = 0;
        m_next.reset();
        StartNextPass();
    }
    const CDVBPCRPacer::SChunkEnd chunk = NextChunk(std::min(request, ChunkSize));
    if (chunk.bytes == 0)
        return 0;
    if (!m_pacer.IsDue(chunk, m_clock()))
        return 0;
    Deliver(buffer, chunk);
    return static_cast<unsigned long>(chunk.bytes);
}

uint32_t CDVBFileTransportStreamSource::GetMillisecondsUntilDue()
{
    // Nothing more will come; the receiver's one-second pass still asks again.
    if (m_file < 0 || HasEnded())
        return KRX_INFINITE;
    // A single pass goes at the pace of one read a millisecond, which the
    // decoders of an analysis keep up with.
    if (m_singlePass)
        return 1;
    if (m_playFromStartAsked) // the next read starts the pass again
        return 0;
    const CDVBPCRPacer::SChunkEnd& chunk = NextChunk(ChunkSize);
    if (chunk.bytes == 0)
        return 1;
    const uint32_t wait = m_pacer.MillisecondsUntilDue(chunk, m_clock());
    return wait == UINT32_MAX ? KRX_INFINITE : (wait + m_speed - 1) / m_speed;
}

unsigned long CDVBFileTransportStreamSource::ReadSinglePass(unsigned char* buffer, unsigned long size)
{
    const unsigned long got = ReadWholePackets(buffer, size);
    if (got == 0)
        m_ended.store(true, std::memory_order_release);
    m_bytesDelivered += got;
    return got;
}

const CDVBPCRPacer::SChunkEnd& CDVBFileTransportStreamSource::NextChunk(unsigned long size)
{
    if (!m_next || m_nextLimit != size) {
        if (m_aheadSize < size)
            ReadAhead();
        m_next = CutChunk(size);
        m_nextLimit = size;
    }
    return *m_next;
}

// Up to size bytes, ending just after the first packet with a PCR of the
// pacing PID if there is one.
CDVBPCRPacer::SChunkEnd CDVBFileTransportStreamSource::CutChunk(unsigned long size)
{
    CDVBPCRPacer::SChunkEnd chunk;
    chunk.bytes = std::min(size, m_aheadSize);
    for (unsigned long offset = 0; offset < chunk.bytes; offset += DVB_PACKET_SIZE) {
        unsigned char* packet = &m_ahead[offset];
        uint64_t pcr;
        if (!GetPCROfPID(packet, m_pcrPid, pcr))
            continue;
        chunk.bytes = offset + DVB_PACKET_SIZE;
        // As the receiver will see it, so that the schedule goes on across a loop.
        chunk.pcr = (pcr + m_aheadOffset) & uint64_t(DVB_CLOCK_WRAP - 1);
        chunk.discontinuity = CDVBPIDReceiver::HasDiscontinuityIndicator(packet);
        break;
    }
    return chunk;
}

// Fills the read-ahead from the file; at the end of the file, once all of it
// has been delivered, from the first packet again.
void CDVBFileTransportStreamSource::ReadAhead()
{
    m_aheadSize += ReadWholePackets(&m_ahead[m_aheadSize], ChunkSize - m_aheadSize);
    if (m_aheadSize == 0)
        StartNextPass();
}

void CDVBFileTransportStreamSource::StartNextPass()
{
    if (m_loopTiming.IsMeasured())
        m_aheadOffset
            = (m_aheadOffset + m_loopTiming.GetPassTicks(m_pacer.GetBitrate())) & uint64_t(DVB_CLOCK_WRAP - 1);
    m_loopTiming.StartPass();
    // Pacing goes on as it was: restarting it here would deliver the first
    // chunk of every loop early and then hold the next one back for a
    // chunk's time, slowing short looping files down.
    RestartFromFirstPacket();
    m_pacer.StartAgain();
    RefreshFileSize();
    m_aheadSize = ReadWholePackets(m_ahead.data(), ChunkSize);
    m_aheadStartedAgain = m_aheadSize != 0;
}

void CDVBFileTransportStreamSource::Deliver(unsigned char* buffer, const CDVBPCRPacer::SChunkEnd& chunk)
{
    const unsigned long bytes = static_cast<unsigned long>(chunk.bytes);
    std::memcpy(buffer, m_ahead.data(), bytes);
    std::memmove(m_ahead.data(), m_ahead.data() + bytes, m_aheadSize - bytes);
    m_aheadSize -= bytes;
    m_pacer.OnDelivered(chunk);
    m_loopTiming.OnDelivered(buffer, bytes, m_pcrPid);
    m_deliveredOffset = m_aheadOffset;
    m_next.reset();
    m_bytesDelivered += bytes;
    if (std::exchange(m_aheadStartedAgain, false))
        m_startedAgain = true;
}

unsigned long CDVBFileTransportStreamSource::ReadWholePackets(unsigned char* buffer, unsigned long size)
{
    unsigned long got = 0;
    while (got < size) {
        const ssize_t n = pread(m_file, buffer + got, size - got, static_cast<off_t>(m_position + got));
        if (n < 0 && errno == EINTR)
            continue;
        // End of file, or a read error, which is played like the end of the file.
        if (n <= 0)
            break;
        got += static_cast<unsigned long>(n);
    }
    // A partial packet at the end is left for the loop restart (or for a file
    // still being written to complete).
    got -= got % DVB_PACKET_SIZE;
    m_position += got;
    if (m_position > m_fileSize)
        RefreshFileSize();
    return got;
}

// A file still being recorded grows while it plays; the percentage is of
// what it holds now.
void CDVBFileTransportStreamSource::RefreshFileSize()
{
    struct stat status;
    if (fstat(m_file, &status) == 0)
        m_fileSize = static_cast<uint64_t>(status.st_size);
}

bool CDVBFileTransportStreamSource::SetSinglePass(bool singlePass)
{
    m_singlePass = singlePass;
    return true;
}

void CDVBFileTransportStreamSource::NotifyBitrate(int bitsPerSecond)
{
    m_pacer.SetBitrate(bitsPerSecond);
    if (bitsPerSecond >= 1000)
        m_pacedByTimestamps = false;
}

// Said only while the pace comes from the PES time stamps: it is an estimate
// the receiver will not correct, as it measures rates from PCRs alone.
CString CDVBFileTransportStreamSource::DescribeRateOrigin() const
{
    return !m_singlePass && m_pacedByTimestamps ? ", no PCRs: paced by PTS/DTS" : "";
}

void CDVBFileTransportStreamSource::GetStatus(CString& text)
{
    switch (m_state.load()) {
    case EState::Open:
        if (HasEnded())
            text = "file played once to the end";
        else
            text = FormatString("%.2lf%% complete",
                       static_cast<double>(m_bytesDelivered.load()) / static_cast<double>(m_fileSize.load()) * 100)
                + DescribeRateOrigin();
        break;
    case EState::NotRegular:
        text = "not a regular file";
        break;
    case EState::Empty:
        text = "file empty";
        break;
    case EState::TooShort:
        text = "file too short for one transport packet";
        break;
    case EState::NoPackets:
        text = "no transport packets found in file";
        break;
    case EState::Closed:
    case EState::NotOpened:
        text = "file not opened";
        break;
    }
}
