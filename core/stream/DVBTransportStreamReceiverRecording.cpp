// Recording: the receive thread copies the packets of each read, as it
// accepted them, into one of a fixed set of buffers and queues it; the
// recording thread writes the queue to the file, so that a slow disk never
// holds up reception. Each buffer goes out whole or not at all, so the file
// always ends on a packet. A one-service recording is cut out of the buffers
// on the recording thread, so that it costs reception nothing more.
#include "platform/DebugOutput.h"
#include "stream/DVBBufferList.h"
#include "stream/DVBRecordingParameters.h"
#include "stream/DVBServiceRecordingFilter.h"
#include "stream/DVBTransportStreamReceiver.h"
#include "stream/DVBTransportStreamSource.h"

#include <algorithm>

namespace {
constexpr uint32_t kRecordThreadEndTimeoutMs = 5000;
} // namespace

bool CDVBTransportStreamReceiver::StartRecording(CDVBRecordingParameters* parameters)
{
    StopRecording();
    m_recordingFileName = parameters->GetFileName();
    m_recordingWriteFailed = false;
    // Not blocking: a pipe without a reader fails at once instead of waiting
    // for one, and a write nobody takes fails after a while instead of
    // holding the stop forever.
    if (!m_recordingFile.Open(m_recordingFileName, true)) {
        CSingleLock lock(&m_recordingSection, true);
        m_recordingWriteError = m_recordingFile.GetError();
        DebugOutput(FormatString(
            "Cannot create recording file %s: %s\n", m_recordingFileName.c_str(), m_recordingFile.GetError().c_str()));
        return false;
    }
    m_recordingFileOpen = true;
    m_serviceFilter.reset(
        parameters->GetServiceID() ? new CDVBServiceRecordingFilter(parameters->GetServiceID()) : nullptr);
    m_recordedBytes = 0;
    m_recordingReadsSkipped = 0;

    const unsigned long suggested = m_source ? m_source->GetSuggestedBufferSize() : DVB_DEFAULT_READ_BUFFER_SIZE;
    // A read can complete packets begun in the read before.
    const unsigned long bufferSize = std::max(suggested, m_readBufferSize.load()) + kRecordedCarry;
    CSingleLock lock(&m_recordingSection, true);
    m_freeRecordingBuffers = new CDVBBufferList;
    for (int i = 0; i < DVB_RECORDING_BUFFER_COUNT; i++)
        m_freeRecordingBuffers->AddBuffer(new CDVBBuffer(bufferSize));
    m_fullRecordingBuffers = new CDVBBufferList;
    m_errorsAtRecordingStart = GetErrorCounts();
    m_recordingWriteError.clear();
    m_recordStopEvent.Reset();
    m_recordThread.Start([this] { RecordThreadProc(); });
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
    m_serviceFilter.reset();
    return true;
}

CDVBRecordingStatus CDVBTransportStreamReceiver::GetRecordingStatus() const
{
    CSingleLock lock(&m_recordingSection, true);
    const CDVBErrorCounts errors = m_recording ? GetErrorCounts() : m_errorsAtRecordingStop;
    return CDVBRecordingStatus { m_recording, m_recordingFileOpen, m_recordedBytes, m_recordingReadsSkipped,
        m_recordingWriteFailed, errors.Since(m_errorsAtRecordingStart), m_recordingWriteError };
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

bool CDVBTransportStreamReceiver::WriteNextRecordingBuffer()
{
    CDVBBuffer* buffer;
    {
        CSingleLock lock(&m_recordingSection, true);
        buffer = m_fullRecordingBuffers->RemoveBuffer();
    }
    if (buffer == nullptr)
        return false;
    const unsigned char* data = buffer->GetData();
    unsigned long size = buffer->GetUsed();
    if (m_serviceFilter) {
        m_filteredRead.clear();
        m_serviceFilter->Filter(buffer->GetData(), size, m_filteredRead);
        data = m_filteredRead.data();
        size = static_cast<unsigned long>(m_filteredRead.size());
    }
    // After a failed write the recording is incomplete anyway; the file takes nothing more.
    const bool failedBefore = m_recordingWriteFailed;
    if (!failedBefore && (size == 0 || m_recordingFile.Write(data, size))) {
        m_recordedBytes += size;
    } else if (!failedBefore) {
        OnRecordingWriteFailed();
    }
    CSingleLock lock(&m_recordingSection, true);
    m_freeRecordingBuffers->AddBuffer(buffer);
    return true;
}

void CDVBTransportStreamReceiver::OnRecordingWriteFailed()
{
    {
        CSingleLock lock(&m_recordingSection, true);
        m_recordingWriteError = m_recordingFile.GetError();
    }
    m_recordingWriteFailed = true;
    if (m_recordingFileOpen.exchange(false))
        DebugOutput(FormatString(
            "Cannot write recording file %s: %s\n", m_recordingFileName.c_str(), m_recordingFile.GetError().c_str()));
}

void CDVBTransportStreamReceiver::RecordThreadProc()
{
    CEvent* events[] = { &m_recordStopEvent, m_fullRecordingBuffers->GetHasBuffersEvent() };
    for (;;) {
        const int signalled = WaitForEvents(events, 2, KRX_INFINITE);
        if (signalled == 0)
            break;
        if (signalled == 1)
            WriteNextRecordingBuffer();
    }
    // Reception stopped queueing before the stop was asked: what is queued is all there is.
    while (WriteNextRecordingBuffer()) { }
    if (!m_recordingFile.Close() && !m_recordingWriteFailed)
        OnRecordingWriteFailed();
    m_recordingFileOpen = false;
}
