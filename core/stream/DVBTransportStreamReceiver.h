#pragma once
// The demultiplexer at the centre of the system. Its receive thread reads the
// source when it has data due (every millisecond for a source that cannot
// tell), cuts each read into 188-byte packets, numbers them and hands each to
// the receivers registered for its PID. The same thread notifies the
// receivers that asked for it as often as they ask (at most every
// millisecond) and makes a pass over everything once a second (bitrate,
// source, receivers).
//
// Threads: the owner calls Start, Stop, the table operations and the queries;
// the receive thread makes every receiver and source call apart from the
// source's Initialise and DeInitialise.
#include "platform/CriticalSection.h"
#include "platform/Event.h"
#include "platform/Guid.h"
#include "platform/OutputFile.h"
#include "platform/Thread.h"
#include "si/DVBChannelNumbers.h"
#include "si/DVBProgramList.h"
#include "si/DVBSISectionHandler.h"
#include "stream/DVBPCRReceiver.h"
#include "stream/DVBPIDReceiverList.h"
#include "stream/DVBPacketAligner.h"
#include "stream/DVBPacketHistory.h"
#include "stream/DVBReferencePointTracker.h"
#include "stream/DVBStreamErrors.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

class CDVBBufferList;
class CDVBPIDReceiver;
class CDVBPCRReceiver;
class CDVBProgram;
class CDVBRecordingParameters;
class CDVBServiceRecordingFilter;
class CDVBTransportStreamSource;
class CDVBTransportStreamUpdateHandler;
class CDVBSICollector;
class CDVBComponentDefinition;
class CDVBScheduleEntry;
class CDVBSISection;
class CDVBPATSection;
class CDVBPMTSection;
class CDVBSDTSection;
class CDVBEITSection;
class CDVBNITSection;
class CDVBTDTSection;
class CDVBTOTSection;

constexpr int DVB_RECORDING_BUFFER_COUNT = 10;
// A read can complete packets begun in the reads before it, at most this much.
constexpr unsigned long kRecordedCarry = 2 * DVB_PACKET_SIZE;
// About a second of a 20 Mbit/s multiplex: a GOP and the lead pictures are sent with.
constexpr size_t kHistoryPackets = 16384;

// How a recording is going, for status displays.
struct CDVBRecordingStatus {
    bool recording = false;
    // A file is open and taking the writes.
    bool fileOpen = false;
    uint64_t bytesWritten = 0;
    // Reads that found every recording buffer still waiting for the disk.
    uint64_t readsSkipped = 0;
    // Some of the reads never reached the file. Kept after the recording ends,
    // since the reads still queued at the stop are written only then.
    bool writeFailed = false;
    // The stream's faults while recording (up to its stop once it has ended);
    // the bytes skipped to regain sync are left out of the file.
    CDVBErrorCounts errors;
    // Why the file could not be created or written ("No space left on device").
    CString writeError;
};

class CDVBTransportStreamReceiver : public CDVBSISectionHandler
{
public:
    CDVBTransportStreamReceiver(CDVBTransportStreamSource* source, CDVBTransportStreamUpdateHandler* handler);
    // The owner calls DeInitialise first; a receive thread still running is ended here.
    ~CDVBTransportStreamReceiver() override;
    CDVBTransportStreamReceiver(const CDVBTransportStreamReceiver&) = delete;
    CDVBTransportStreamReceiver& operator=(const CDVBTransportStreamReceiver&) = delete;

    void OnSectionAdd(unsigned short pid, CDVBSISection* section) override;
    // Routes a new or changed section to the table handlers, then to the SI collector.
    void OnSectionUpdate(unsigned short pid, CDVBSISection* section) override;
    void OnSectionCRCError(unsigned short pid) override { m_errors.OnCRCError(pid); }

    // Creates the receive thread, idle until Start.
    bool Initialise();
    // Ends the receive thread, then de-initialises the source.
    bool DeInitialise();
    void Start();
    // Returns at once; WaitForStop waits for the receive thread to go idle.
    void Stop();
    bool WaitForStop(unsigned long timeoutMs);
    bool IsReceiving() const { return m_startEvent.IsSet(); }
    // Deletes every PID receiver and programme; meant for an idle receiver.
    void Reset();

    // PIDs must be below 8192; the operations refuse others. A receiver that
    // shows pictures is first given the PID's packets from the latest random-access
    // point among those received lately, so that a zap need not wait for the
    // next key picture.
    bool AddPIDReceiver(unsigned short pid, CDVBPIDReceiver* receiver);
    bool HasPIDReceiver(unsigned short pid, int type);
    CDVBPIDReceiver* GetPIDReceiver(unsigned short pid, int type);
    bool DeletePIDReceiver(unsigned short pid, int type);
    // Takes the receiver out (also from the time notifications) and hands it back undeleted.
    CDVBPIDReceiver* RemovePIDReceiverWithCookie(unsigned short pid, GUID* cookie);
    // Takes this receiver out in the same way; false when it is not on the PID.
    bool RemovePIDReceiver(unsigned short pid, CDVBPIDReceiver* receiver);
    // Puts an SI receiver on the PID unless one is there already; true when it added one.
    bool AddSIReceiverIfNotPresent(unsigned short pid);

    // The rate the PCRs measure, which paces a file: 0 without PCRs.
    int GetBitrate() const { return m_bitrate; }
    // The rate to show: the PCRs' or, for a stream without them, that of the
    // packets received over the last seconds.
    int GetReceivedBitrate() const { return m_bitrate != 0 ? m_bitrate.load() : m_arrivalBitrate.load(); }
    uint64_t GetPacketsReceived() const { return m_packetsReceived; }
    bool IsDataBeingReceived() const { return m_dataBeingReceived; }
    int GetSecondsSinceStart() const { return m_secondsSinceStart; }
    // Where the packet count stood against local time over the last reads.
    void GetReferencePoint(int64_t& clock, uint64_t& packets) { m_referencePoints.GetReferencePoint(clock, packets); }
    // The faults counted since Start: on one PID, or over the whole stream
    // (which adds the sync losses).
    CDVBErrorCounts GetErrorCounts(unsigned short pid) const { return m_errors.GetCounts(pid); }
    CDVBErrorCounts GetErrorCounts() const;

    CDVBPCRReceiver* GetPCRReceiver(unsigned short programNumber);
    bool GetProgramClock(unsigned short programNumber, int64_t& clock);
    bool GetProgramClock(unsigned short programNumber, CString& text);

    // Records every packet received from now on into the file, as the packets
    // are cut from the reads (bytes skipped to regain sync are left out), or
    // the parameters' service alone; false (with a line on the debug output)
    // if the file cannot be created or another writer holds it. Stops a
    // recording in progress.
    bool StartRecording(CDVBRecordingParameters* parameters);
    // Writes what is still queued, then closes the file; harmless when not recording.
    bool StopRecording();
    CDVBRecordingStatus GetRecordingStatus() const;

    void SetSICollector(CDVBSICollector* collector) { m_siCollector = collector; }
    CDVBSICollector* GetSICollector() const { return m_siCollector; }
    CDVBTransportStreamUpdateHandler* GetUpdateHandler() const { return m_updateHandler; }

    // The programme list; callers walk it holding the programme lock.
    CDVBProgramList* GetProgramsList() { return &m_programs; }
    CCriticalSection* GetProgramsSection() { return &m_programsSection; }
    CDVBProgram* GetProgram(unsigned short programNumber);
    CDVBProgram* GetOrCreateProgram(unsigned short programNumber);
    // True once a PAT has been seen and every programme has had its PMT and SDT.
    bool HasCompleteBasicServiceInformation();
    // Fills PID and programme number whatever the outcome; the description
    // only when the programme has an element on the PID.
    bool GetComponentDefinition(unsigned short programNumber, unsigned short pid, CDVBComponentDefinition* definition);
    // The programme's schedule answer (DVB_HAS_NOW, DVB_HAS_NEXT), or 0 for an unknown programme.
    int GetNowAndNextInformation(unsigned short programNumber, CDVBScheduleEntry* now, CDVBScheduleEntry* next);

protected:
    void ReceiveThreadProc();
    // timestampOffset: 90 kHz ticks added to every packet's time stamps.
    void ProcessBuffer(unsigned char* data, unsigned long size, uint64_t timestampOffset = 0);
    // A new reception, or a source that began again, owes nothing to the bytes before.
    void RestartStreamChecks();
    // The source began again: the stream checks restart, and every receiver is told.
    void OnStreamStartedAgain();
    void AddReferencePoint(uint64_t packets);
    void OnEveryMillisecond();
    void OnEverySecond();
    // How long the receive thread may sleep before its next read or notification.
    uint32_t GetMillisecondsUntilDue();
    void CalculateBitrate();
    void RecordThreadProc();

    // The table handlers, on the receive thread. Update notifications are made
    // after the programme lock is released.
    void OnReceivePAT(CDVBPATSection* section);
    void OnReceivePMT(CDVBPMTSection* section);
    void OnReceiveSDT(CDVBSDTSection* section);
    void OnReceiveEIT(CDVBEITSection* section);
    void OnReceiveNIT(CDVBNITSection* section);
    void OnReceiveTDT(CDVBTDTSection* section);
    void OnReceiveTOT(CDVBTOTSection* section);

private:
    // DVB_NO_PID when the programme is unknown.
    unsigned short GetPCRPID(unsigned short programNumber);
    // Asks the receive thread to quit and waits for it (no-op without one).
    void EndReceiveThread();
    // One reception, from a start request until stop or quit; true when quit was asked.
    bool RunReception(unsigned char* buffer, unsigned long size);
    CDVBPIDReceiverList* GetList(unsigned short pid) const;
    CDVBPIDReceiverList* GetOrCreateList(unsigned short pid);
    void RouteToCollector(unsigned short pid, CDVBSISection* section);
    void NotifyUpdate(unsigned short id, int type);
    // Under the programme lock: numbers the programmes of this transport
    // stream as the NIT says; the programmes whose number changed.
    std::vector<unsigned short> ApplyChannelNumbers();
    // Receive thread: copies one read's packets into a free recording buffer and queues it.
    void QueueForRecording(const unsigned char* data, unsigned long size);
    // Recording thread: writes the oldest queued buffer; false when none is queued.
    bool WriteNextRecordingBuffer();
    // Recording thread: keeps the cause of the first failed write.
    void OnRecordingWriteFailed();

    CThread m_recordThread { "recording thread" };
    CEvent m_recordStopEvent { true, false };
    CDVBBufferList* m_freeRecordingBuffers = nullptr;
    CDVBBufferList* m_fullRecordingBuffers = nullptr;
    CString m_recordingFileName;
    // The owner's while no recording thread runs, the recording thread's while one does.
    COutputFile m_recordingFile;
    // The receive thread's: the packets of the read being dispatched, for the recording.
    std::vector<unsigned char> m_recordedRead;
    // The recording thread's, set while no recording thread runs: cuts a
    // one-service recording out of the queued reads, into m_filteredRead.
    std::unique_ptr<CDVBServiceRecordingFilter> m_serviceFilter;
    std::vector<unsigned char> m_filteredRead;
    // Set and cleared under the recording lock; the receive thread checks it
    // again under the lock before it queues.
    std::atomic<bool> m_recording { false };
    mutable CCriticalSection m_recordingSection;
    std::atomic<bool> m_recordingFileOpen { false };
    std::atomic<uint64_t> m_recordedBytes { 0 };
    std::atomic<uint64_t> m_recordingReadsSkipped { 0 };
    std::atomic<bool> m_recordingWriteFailed { false };
    CString m_recordingWriteError; // under the recording lock
    // The size of the receive thread's reads, so that a recording buffer holds a whole read.
    std::atomic<unsigned long> m_readBufferSize { 0 };
    // The error counts when the recording started and when it stopped (under the recording lock).
    CDVBErrorCounts m_errorsAtRecordingStart;
    CDVBErrorCounts m_errorsAtRecordingStop;

    CThread m_receiveThread { "receive thread" };
    CEvent m_startEvent { true, false };
    CEvent m_stopEvent { true, false };
    CEvent m_quitEvent { true, false };
    CEvent m_idleEvent { true, true };

    std::atomic<uint64_t> m_packetsReceived { 0 };
    // The last packets dispatched, for video decoders that join; held while a
    // read is dispatched, so that a joining decoder gets every packet once, in order.
    CCriticalSection m_historySection;
    CDVBPacketHistory m_history { kHistoryPackets };
    // Both written by the receive thread only.
    CDVBPacketAligner m_aligner;
    CDVBStreamErrors m_errors;
    // Lists are published by pointer and freed only by the destructor, so the
    // receive thread can index the table without a lock.
    std::array<std::atomic<CDVBPIDReceiverList*>, DVB_PID_COUNT> m_pidTable {};
    // Receivers that asked for a call every millisecond; each is also on its PID's list.
    CDVBPIDReceiverList m_timeNotificationList;

    CDVBProgramList m_programs;
    CCriticalSection m_programsSection;
    bool m_patSeen = false;
    unsigned short m_transportStreamId = 0xFFFF;
    CDVBChannelNumbers m_channelNumbers; // under the programme lock

    std::atomic<uint64_t> m_packetsAtPreviousSecond { 0 };
    std::atomic<int> m_bitrate { 0 };
    std::atomic<int> m_arrivalBitrate { 0 };
    // The packet count at each of the last seconds, oldest first; kept by
    // the one-second pass alone.
    std::deque<uint64_t> m_packetsAtSeconds;
    CDVBTransportStreamSource* m_source;
    CDVBTransportStreamUpdateHandler* m_updateHandler;
    std::atomic<bool> m_dataBeingReceived { false };
    std::atomic<int> m_secondsSinceStart { 0 };
    CDVBReferencePointTracker m_referencePoints { 50 };
    // When the read being dispatched arrived, for the PCR receivers; written
    // and read on the receive thread only.
    DVBReadArrival m_readArrival;
    int64_t m_lastSecondClock = 0;
    std::atomic<CDVBSICollector*> m_siCollector { nullptr };
};
