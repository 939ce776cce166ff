#include "viewing/KRXWindowTimerRecorder.h"

#include "si/DVBScheduleEntry.h"
#include "stream/DVBTransportStreamReceiver.h"
#include "stream/DVBTransportStreamSource.h"
#include "timers/KRXEventRunningStatus.h"
#include "timers/KRXTimer.h"
#include "viewing/KRXMainDialogModel.h"
#include "viewing/KRXServiceSearch.h"

CKRXWindowTimerRecorder::CKRXWindowTimerRecorder(CKRXMainDialogModel& model, std::function<int64_t()> nowMs)
    : m_model(model)
    , m_nowMs(std::move(nowMs))
{
}

CKRXTimerRecorder::EStart CKRXWindowTimerRecorder::StartRecording(
    const CKRXTimer& timer, const CString& file, CString& error)
{
    if (m_waitingFor != timer.id) {
        m_waitingFor = timer.id;
        m_waitStartMs = m_nowMs();
    }
    const CString service = timer.serviceId != 0 ? FormatString("%u", timer.serviceId) : timer.serviceName;
    CDVBTransportStreamReceiver* receiver = m_model.GetFlow().GetReceiver();
    const EServiceSearch search
        = receiver == nullptr ? EServiceSearch::Waiting : FindService(receiver, service, m_serviceId);
    if (search == EServiceSearch::Waiting && m_nowMs() - m_waitStartMs < kServiceWaitMs)
        return EStart::Later;
    m_waitingFor = 0;
    if (search != EServiceSearch::Found) {
        error = "service '" + service + "' not found in '" + timer.multiplex + "'";
        return EStart::Failed;
    }
    m_eventSeen = false;
    return m_model.RecordService(file, error, m_serviceId) ? EStart::Started : EStart::Failed;
}

bool CKRXWindowTimerRecorder::StopRecording(const CKRXTimer&, CString& error)
{
    CDVBTransportStreamReceiver* receiver = m_model.GetFlow().GetReceiver();
    if (receiver == nullptr)
        return true;
    m_model.StopRecording();
    const CDVBRecordingStatus status = receiver->GetRecordingStatus();
    if (status.writeFailed)
        error = "cannot write the file: " + status.writeError;
    return !status.writeFailed;
}

CString CKRXWindowTimerRecorder::CheckRecording(const CKRXTimer&, bool& fatal)
{
    fatal = true;
    CDVBTransportStreamReceiver* receiver = m_model.GetFlow().GetReceiver();
    if (receiver == nullptr || !m_model.IsRecording())
        return "the multiplex was closed";
    const CDVBRecordingStatus status = receiver->GetRecordingStatus();
    if (status.writeFailed)
        return "cannot write the file: " + status.writeError;
    CString sourceStatus;
    m_model.GetFlow().GetSource()->GetStatus(sourceStatus);
    const CString because = sourceStatus.empty() ? CString() : " (" + sourceStatus + ")";
    if (m_model.GetFlow().GetSource()->HasEnded())
        return "reception ended" + because;
    fatal = false;
    return receiver->IsDataBeingReceived() ? CString() : "no data received" + because;
}

unsigned char CKRXWindowTimerRecorder::GetRunningStatus(const CKRXTimer& timer)
{
    return FindEventRunningStatus(m_model.GetSICollector().GetGuide(), m_serviceId, timer.eventId, m_eventSeen);
}
