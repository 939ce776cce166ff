#include "stream/DVBTransportStreamReceiver.h"

#include "si/DVBProgram.h"
#include "si/DVBSICollector.h"
#include "stream/DVBPCRReceiver.h"
#include "stream/DVBPIDReceiver.h"
#include "stream/DVBPIDReceiverList.h"
#include "stream/DVBServiceRecordingFilter.h"
#include "stream/DVBTimestampShift.h"
#include "stream/DVBTiming.h"
#include "stream/DVBTransportStreamSource.h"

#include <algorithm>
#include <climits>
#include <vector>

namespace {
constexpr uint32_t kThreadEndTimeoutMs = 1000;
} // namespace

CDVBTransportStreamReceiver::CDVBTransportStreamReceiver(
    CDVBTransportStreamSource* source, CDVBTransportStreamUpdateHandler* handler)
    : m_source(source)
    , m_updateHandler(handler)
{
}

CDVBTransportStreamReceiver::~CDVBTransportStreamReceiver()
{
    StopRecording();
    EndReceiveThread();
    Reset();
    for (auto& entry : m_pidTable)
        delete entry.load();
}

bool CDVBTransportStreamReceiver::Initialise()
{
    if (m_receiveThread.IsRunning())
        return true;
    m_quitEvent.Reset();
    m_idleEvent.Set();
    if (m_source)
        m_source->Initialise();
    m_receiveThread.Start([this] { ReceiveThreadProc(); });
    return true;
}

void CDVBTransportStreamReceiver::EndReceiveThread()
{
    if (m_receiveThread.IsRunning()) {
        m_quitEvent.Set();
        m_receiveThread.StopWithin(kThreadEndTimeoutMs);
    }
}

bool CDVBTransportStreamReceiver::DeInitialise()
{
    EndReceiveThread();
    if (m_source)
        m_source->DeInitialise();
    return true;
}

void CDVBTransportStreamReceiver::Start()
{
    m_packetsReceived = 0;
    m_packetsAtPreviousSecond = 0;
    m_secondsSinceStart = 0;
    m_errors.ResetCounts();
    m_aligner.ResetCounts();
    for (unsigned short pid : { 0x0000, 0x0010, 0x0011, 0x0012, 0x0014 }) // PAT, NIT, SDT/BAT, EIT, TDT/TOT
        AddSIReceiverIfNotPresent(pid);
    m_stopEvent.Reset();
    m_startEvent.Set();
}

void CDVBTransportStreamReceiver::Stop()
{
    m_startEvent.Reset();
    m_stopEvent.Set();
}

bool CDVBTransportStreamReceiver::WaitForStop(unsigned long timeoutMs)
{
    return m_idleEvent.Wait(static_cast<uint32_t>(std::min<unsigned long>(timeoutMs, KRX_INFINITE)));
}

void CDVBTransportStreamReceiver::Reset()
{
    // Every receiver is deleted below, so none may stay behind in the time
    // notifications; the lists themselves stay for a receive thread that may
    // still be looking at them.
    m_timeNotificationList.RemoveAll();
    for (auto& entry : m_pidTable) {
        if (CDVBPIDReceiverList* list = entry.load(std::memory_order_acquire))
            list->DeleteAll();
    }
    {
        CSingleLock lock(&m_programsSection, true);
        m_programs.DeleteAll();
        m_patSeen = false;
        m_transportStreamId = 0xFFFF;
        m_channelNumbers = CDVBChannelNumbers();
    }
    m_packetsReceived = 0;
}

CDVBPIDReceiverList* CDVBTransportStreamReceiver::GetList(unsigned short pid) const
{
    return pid < DVB_PID_COUNT ? m_pidTable[pid].load(std::memory_order_acquire) : nullptr;
}

CDVBPIDReceiverList* CDVBTransportStreamReceiver::GetOrCreateList(unsigned short pid)
{
    CDVBPIDReceiverList* list = GetList(pid);
    if (list != nullptr || pid >= DVB_PID_COUNT)
        return list;
    // The owner and the receive thread (PAT and PMT handlers) may both be first.
    CDVBPIDReceiverList* created = new CDVBPIDReceiverList;
    if (m_pidTable[pid].compare_exchange_strong(list, created, std::memory_order_acq_rel))
        return created;
    delete created;
    return list;
}

bool CDVBTransportStreamReceiver::AddPIDReceiver(unsigned short pid, CDVBPIDReceiver* receiver)
{
    CDVBPIDReceiverList* list = receiver ? GetOrCreateList(pid) : nullptr;
    if (list == nullptr)
        return false;
    receiver->SetPID(pid);
    if (auto* pcr = dynamic_cast<CDVBPCRReceiver*>(receiver))
        pcr->SetReadArrival(&m_readArrival);
    // Decoders that show pictures join from the latest key picture.
    if (receiver->RequiresDisplay()) {
        CSingleLock lock(&m_historySection, true);
        const uint64_t number = m_packetsReceived.load(std::memory_order_relaxed);
        m_history.ReplayFromRandomAccess(
            pid, [receiver, number](unsigned char* packet) { receiver->OnReceivePacket(number, packet); });
        list->Add(receiver);
    } else {
        list->Add(receiver);
    }
    if (receiver->RequiresTimeNotifications())
        m_timeNotificationList.Add(receiver);
    return true;
}

bool CDVBTransportStreamReceiver::HasPIDReceiver(unsigned short pid, int type)
{
    return GetPIDReceiver(pid, type) != nullptr;
}

CDVBPIDReceiver* CDVBTransportStreamReceiver::GetPIDReceiver(unsigned short pid, int type)
{
    CDVBPIDReceiverList* list = GetList(pid);
    return list ? list->FindFirstOfType(type) : nullptr;
}

bool CDVBTransportStreamReceiver::DeletePIDReceiver(unsigned short pid, int type)
{
    CDVBPIDReceiverList* list = GetList(pid);
    CDVBPIDReceiver* receiver = list ? list->RemoveFirstOfType(type) : nullptr;
    if (receiver == nullptr)
        return false;
    // Whatever its type, a deleted receiver must not be ticked again.
    m_timeNotificationList.Remove(receiver);
    delete receiver;
    return true;
}

CDVBPIDReceiver* CDVBTransportStreamReceiver::RemovePIDReceiverWithCookie(unsigned short pid, GUID* cookie)
{
    CDVBPIDReceiverList* list = GetList(pid);
    CDVBPIDReceiver* receiver = list ? list->RemoveWithCookie(cookie) : nullptr;
    if (receiver != nullptr)
        m_timeNotificationList.Remove(receiver);
    return receiver;
}

bool CDVBTransportStreamReceiver::RemovePIDReceiver(unsigned short pid, CDVBPIDReceiver* receiver)
{
    CDVBPIDReceiverList* list = GetList(pid);
    if (list == nullptr || !list->Remove(receiver))
        return false;
    m_timeNotificationList.Remove(receiver);
    return true;
}

void CDVBTransportStreamReceiver::ReceiveThreadProc()
{
    unsigned long size = m_source ? m_source->GetSuggestedBufferSize() : 0;
    // Room for at least one packet, so that a source never gets an empty buffer.
    size = std::max(size, DVB_PACKET_SIZE);
    m_readBufferSize = size;
    AddReferencePoint(0);
    m_lastSecondClock = CDVBTiming::GetSystemClock();
    std::vector<unsigned char> buffer(size);
    SetCurrentThreadPriority(KRX_PRIORITY_HIGHEST);

    for (;;) {
        const int signalled = WaitForEvents({ &m_quitEvent, &m_startEvent }, KRX_INFINITE);
        if (signalled == 0)
            break;
        if (signalled == 1 && RunReception(buffer.data(), size))
            break;
    }
}

bool CDVBTransportStreamReceiver::RunReception(unsigned char* buffer, unsigned long size)
{
    m_idleEvent.Reset();
    RestartStreamChecks();
    if (m_source)
        m_source->Start();

    bool quit = false;
    for (;;) {
        const int signalled = WaitForEvents({ &m_quitEvent, &m_stopEvent }, GetMillisecondsUntilDue());
        if (signalled == 0)
            quit = true;
        if (signalled == 0 || signalled == 1)
            break;
        OnEveryMillisecond();
        // A source that claims more than the buffer holds is not believed.
        const unsigned long read = m_source ? std::min(m_source->ReadBuffer(buffer, size), size) : 0;
        if (read == 0)
            continue;
        m_source->GetSuggestedBufferSize(); // part of the source contract; the answer is not used
        if (m_source->HasStartedAgain())
            OnStreamStartedAgain();
        AddReferencePoint(m_packetsReceived);
        ProcessBuffer(buffer, read, m_source->GetTimestampOffset());
    }

    if (m_source)
        m_source->Stop();
    m_idleEvent.Set();
    return quit;
}

// The thread sleeps until the first of the source's next data, the next
// time notification a receiver asks for and the one-second pass, rather than
// waking every millisecond: a file due every 40 ms and a display that times
// itself then cost a few dozen wake-ups a second instead of a thousand.
// Sources and receivers that cannot tell still get the millisecond.
uint32_t CDVBTransportStreamReceiver::GetMillisecondsUntilDue()
{
    const int64_t frequency = CDVBTiming::GetSystemClockFrequency();
    const int64_t untilSecond = m_lastSecondClock + frequency - CDVBTiming::GetSystemClock();
    // Rounded up, so that the pass is due when the thread wakes.
    uint32_t wait = untilSecond <= 0 ? 0 : static_cast<uint32_t>((untilSecond * 1000 + frequency - 1) / frequency);
    if (m_source)
        wait = std::min(wait, m_source->GetMillisecondsUntilDue());
    return std::min(wait, m_timeNotificationList.GetMillisecondsUntilNotification());
}

void CDVBTransportStreamReceiver::RestartStreamChecks()
{
    {
        CSingleLock lock(&m_historySection, true);
        m_history.Clear();
    }
    m_aligner.Restart();
    m_errors.RestartContinuity();
}

void CDVBTransportStreamReceiver::OnStreamStartedAgain()
{
    RestartStreamChecks();
    for (auto& entry : m_pidTable) {
        if (CDVBPIDReceiverList* list = entry.load(std::memory_order_acquire))
            list->OnStreamStartedAgain();
    }
}

void CDVBTransportStreamReceiver::ProcessBuffer(unsigned char* data, unsigned long size, uint64_t timestampOffset)
{
    uint64_t number = m_packetsReceived.load(std::memory_order_relaxed);
    // The read is taken to have arrived now, its last packet last.
    m_readArrival.clock = CDVBTiming::GetSystemClock();
    m_readArrival.lastPacket = number + std::max<unsigned long>(size / DVB_PACKET_SIZE, 1) - 1;
    // The packets as accepted, so that a recording holds whole packets only.
    const bool recording = m_recording.load(std::memory_order_relaxed);
    m_recordedRead.clear();
    CSingleLock lock(&m_historySection, true);
    m_aligner.Feed(data, size, [this, &number, timestampOffset, recording](unsigned char* packet) {
        const unsigned short pid = CDVBPIDReceiver::GetPacketPID(packet);
        m_errors.OnPacket(pid, packet);
        // Recorded as received: the time stamps are moved on only for the receivers.
        if (recording)
            m_recordedRead.insert(m_recordedRead.end(), packet, packet + DVB_PACKET_SIZE);
        DVBShiftTimestamps(packet, timestampOffset);
        if (CDVBPIDReceiverList* list = m_pidTable[pid].load(std::memory_order_acquire))
            list->OnReceivePacket(number, packet);
        m_history.Add(packet);
        // Receivers asking for the programme clock during dispatch see this packet's number.
        m_packetsReceived.store(++number, std::memory_order_relaxed);
    });
    if (recording && !m_recordedRead.empty())
        QueueForRecording(m_recordedRead.data(), m_recordedRead.size());
}

CDVBErrorCounts CDVBTransportStreamReceiver::GetErrorCounts() const
{
    CDVBErrorCounts counts = m_errors.GetTotals();
    counts.syncLosses = m_aligner.GetSyncLosses();
    counts.bytesSkipped = m_aligner.GetBytesSkipped();
    return counts;
}

void CDVBTransportStreamReceiver::AddReferencePoint(uint64_t packets)
{
    m_referencePoints.Add(CDVBTiming::GetSystemClock(), packets);
}

void CDVBTransportStreamReceiver::OnEveryMillisecond()
{
    m_timeNotificationList.OnEveryMillisecond();
    const int64_t now = CDVBTiming::GetSystemClock();
    if (now >= m_lastSecondClock + CDVBTiming::GetSystemClockFrequency()) {
        OnEverySecond();
        m_lastSecondClock = now;
    }
}

void CDVBTransportStreamReceiver::OnEverySecond()
{
    CalculateBitrate();
    if (m_source) {
        m_source->NotifyBitrate(GetBitrate());
        m_source->OnEverySecond();
    }
    for (auto& entry : m_pidTable) {
        if (CDVBPIDReceiverList* list = entry.load(std::memory_order_acquire))
            list->OnEverySecond();
    }
    if (CDVBSICollector* collector = m_siCollector)
        collector->OnEverySecond();
    const uint64_t packets = m_packetsReceived;
    m_dataBeingReceived = packets != m_packetsAtPreviousSecond;
    m_packetsAtPreviousSecond = packets;
    m_secondsSinceStart++;
}

void CDVBTransportStreamReceiver::CalculateBitrate()
{
    std::vector<unsigned short> pcrPIDs;
    {
        CSingleLock lock(&m_programsSection, true);
        for (CDVBProgram* program : m_programs)
            pcrPIDs.push_back(program->GetPCRPID());
    }
    int64_t sum = 0;
    int64_t count = 0;
    for (unsigned short pid : pcrPIDs) {
        // Asked with its list locked: the owner may delete it (Reset, DeletePIDReceiver) at any time.
        int bitrate = 0;
        if (CDVBPIDReceiverList* list = GetList(pid)) {
            list->VisitFirstOfType(DVB_RECEIVER_PCR, [&bitrate](CDVBPIDReceiver* receiver) {
                if (auto* pcr = dynamic_cast<CDVBPCRReceiver*>(receiver))
                    bitrate = pcr->GetBitrate();
            });
        }
        if (bitrate != 0) {
            sum += bitrate;
            count++;
        }
    }
    m_bitrate = count ? static_cast<int>(sum / count) : 0;
    // Called once a second, before the count of the previous second moves on.
    // A source may deliver in bursts (a file paced a read at a time), so the
    // rate is taken over several seconds; a count that went back was restarted.
    constexpr size_t kArrivalSeconds = 8;
    const uint64_t packets = m_packetsReceived;
    if (m_packetsAtSeconds.empty() || packets < m_packetsAtSeconds.back())
        m_packetsAtSeconds.assign(1, std::min<uint64_t>(m_packetsAtPreviousSecond, packets));
    m_packetsAtSeconds.push_back(packets);
    if (m_packetsAtSeconds.size() > kArrivalSeconds + 1)
        m_packetsAtSeconds.pop_front();
    const uint64_t bits
        = (packets - m_packetsAtSeconds.front()) * DVB_PACKET_SIZE * 8 / (m_packetsAtSeconds.size() - 1);
    m_arrivalBitrate = static_cast<int>(std::min<uint64_t>(bits, INT_MAX));
}

unsigned short CDVBTransportStreamReceiver::GetPCRPID(unsigned short programNumber)
{
    CSingleLock lock(&m_programsSection, true);
    CDVBProgram* program = m_programs.Find(programNumber);
    return program ? program->GetPCRPID() : DVB_NO_PID;
}

// The PID's list is searched without the programme lock: section handlers take
// that lock while their list is locked for dispatch, and a hostile PMT may name
// an SI PID as PCR PID, so holding both here the other way round could deadlock.
CDVBPCRReceiver* CDVBTransportStreamReceiver::GetPCRReceiver(unsigned short programNumber)
{
    // A plug-in's receiver of the same type is no PCR receiver.
    return dynamic_cast<CDVBPCRReceiver*>(GetPIDReceiver(GetPCRPID(programNumber), DVB_RECEIVER_PCR));
}

bool CDVBTransportStreamReceiver::GetProgramClock(unsigned short programNumber, int64_t& clock)
{
    CDVBPCRReceiver* receiver = GetPCRReceiver(programNumber);
    return receiver && receiver->EstimateClockAtPacket(GetPacketsReceived(), clock);
}

bool CDVBTransportStreamReceiver::GetProgramClock(unsigned short programNumber, CString& text)
{
    int64_t clock;
    if (!GetProgramClock(programNumber, clock))
        return false;
    ClockToString(clock, text);
    return true;
}
