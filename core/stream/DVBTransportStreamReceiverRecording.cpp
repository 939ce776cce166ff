// Recording: the receive thread copies each read into one of a fixed set of
// buffers and queues it; the recording thread writes the queue to the file,
// so that a slow disk never holds up reception.
#include "platform/DebugOutput.h"
#include "stream/DVBBufferList.h"
#include "stream/DVBRecordingParameters.h"
#include "stream/DVBTransportStreamReceiver.h"
#include "stream/DVBTransportStreamSource.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {
constexpr uint32_t kRecordThreadEndTimeoutMs = 5000;
// The file is written without blocking, so that a pipe or device nobody
// reads cannot hold the recording thread (and the stop) forever; a write that
// cannot go on waits at most this long for room.
constexpr int kWriteWaitMs = 5000;

// True when the file can take more within the wait.
bool WaitForRoom(int file)
{
    pollfd room { file, POLLOUT, 0 };
    int ready;
    do
        ready = poll(&room, 1, kWriteWaitMs);
    while (ready < 0 && errno == EINTR);
    if (ready == 0)
        errno = ETIMEDOUT;
    return ready > 0;
}

// Writes all of it, resuming after partial writes and interruptions.
bool WriteAll(int file, const unsigned char* data, unsigned long size)
{
    while (size > 0) {
        const ssize_t written = write(file, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno == EAGAIN && WaitForRoom(file))
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<unsigned long>(written);
    }
    return true;
}
} // namespace

bool CDVBTransportStreamReceiver::StartRecording(CDVBRecordingParameters* parameters)
{
    StopRecording();
    m_recordingFileName = parameters->GetFileName();
    m_recordingWriteFailed = false;
    // Opening a pipe without a reader fails at once instead of waiting for one.
    const int file = open(m_recordingFileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0644);
    if (file < 0) {
        DebugOutput(
            FormatString("Cannot create recording file %s: %s\n", m_recordingFileName.c_str(), std::strerror(errno)));
        return false;
    }
    m_recordingFileOpen = true;
    m_recordedBytes = 0;
    m_recordingReadsSkipped = 0;

    const unsigned long suggested = m_source ? m_source->GetSuggestedBufferSize() : DVB_DEFAULT_READ_BUFFER_SIZE;
    const unsigned long bufferSize = std::max(suggested, m_readBufferSize.load());
    CSingleLock lock(&m_recordingSection, true);
    m_freeRecordingBuffers = new CDVBBufferList;
    for (int i = 0; i < DVB_RECORDING_BUFFER_COUNT; i++)
        m_freeRecordingBuffers->AddBuffer(new CDVBBuffer(bufferSize));
    m_fullRecordingBuffers = new CDVBBufferList;
    m_errorsAtRecordingStart = GetErrorCounts();
    m_recordStopEvent.Reset();
    m_recordThread.Start([this, file] { RecordThreadProc(file); });
    m_recording = true;
    return true;
}

bool CDVBTransportStreamReceiver::StopRecording()
{
    {
        // Once this lock is ours no read is being queued, and none will be after it.
        CSingleLock lock(&m_recordingSection, true);
        if (m_recording)
            m_errorsAtRecordingStop = GetErrorCounts();
        m_recording = false;
    }
    if (m_recordThread.IsRunning()) {
        m_recordStopEvent.Set();
        m_recordThread.StopWithin(kRecordThreadEndTimeoutMs);
    }
    CSingleLock lock(&m_recordingSection, true);
    if (m_freeRecordingBuffers && m_recordingReadsSkipped)
        DebugOutput(FormatString("Recording %s lacks %" PRIu64 " reads: the disk did not keep up\n",
            m_recordingFileName.c_str(), m_recordingReadsSkipped.load()));
    delete m_freeRecordingBuffers;
    delete m_fullRecordingBuffers;
    m_freeRecordingBuffers = m_fullRecordingBuffers = nullptr;
    return true;
}

CDVBRecordingStatus CDVBTransportStreamReceiver::GetRecordingStatus() const
{
    CSingleLock lock(&m_recordingSection, true);
    const CDVBErrorCounts errors = m_recording ? GetErrorCounts() : m_errorsAtRecordingStop;
    return CDVBRecordingStatus { m_recording, m_recordingFileOpen, m_recordedBytes, m_recordingReadsSkipped,
        m_recordingWriteFailed, errors.Since(m_errorsAtRecordingStart) };
}

void CDVBTransportStreamReceiver::QueueForRecording(const unsigned char* data, unsigned long size)
{
    CSingleLock lock(&m_recordingSection, true);
    if (!m_recording)
        return;
    CDVBBuffer* buffer = m_freeRecordingBuffers->RemoveBuffer();
    if (buffer == nullptr) {
        m_recordingReadsSkipped++;
        return;
    }
    buffer->ResetForWriting();
    buffer->Append(data, size);
    m_fullRecordingBuffers->AddBuffer(buffer);
}

bool CDVBTransportStreamReceiver::WriteNextRecordingBuffer(int file)
{
    CDVBBuffer* buffer;
    {
        CSingleLock lock(&m_recordingSection, true);
        buffer = m_fullRecordingBuffers->RemoveBuffer();
    }
    if (buffer == nullptr)
        return false;
    // After a failed write the recording is incomplete anyway; writing on
    // could only add a wait for every buffer still queued.
    const bool failedBefore = m_recordingWriteFailed;
    if (!failedBefore && WriteAll(file, buffer->GetData(), buffer->GetUsed())) {
        m_recordedBytes += buffer->GetUsed();
    } else if (!failedBefore) {
        m_recordingWriteFailed = true;
        if (m_recordingFileOpen.exchange(false))
            DebugOutput(FormatString(
                "Cannot write recording file %s: %s\n", m_recordingFileName.c_str(), std::strerror(errno)));
    }
    CSingleLock lock(&m_recordingSection, true);
    m_freeRecordingBuffers->AddBuffer(buffer);
    return true;
}

void CDVBTransportStreamReceiver::RecordThreadProc(int file)
{
    CEvent* events[] = { &m_recordStopEvent, m_fullRecordingBuffers->GetHasBuffersEvent() };
    for (;;) {
        const int signalled = WaitForEvents(events, 2, KRX_INFINITE);
        if (signalled == 0)
            break;
        if (signalled == 1)
            WriteNextRecordingBuffer(file);
    }
    // Reception stopped queueing before the stop was asked: what is queued is all there is.
    while (WriteNextRecordingBuffer(file)) { }
    // Some file systems only report a failed write when the file is closed.
    if (close(file) != 0)
        m_recordingWriteFailed = true;
    m_recordingFileOpen = false;
}
