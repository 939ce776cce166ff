#pragma once
// How the program records a timer: the service of the multiplex its window
// has open (the handover has opened the timer's), recorded alone, once the
// service information has named it.
#include "timers/KRXTimerRecorder.h"

#include <cstdint>
#include <functional>

class CKRXMainDialogModel;

class CKRXWindowTimerRecorder : public CKRXTimerRecorder
{
public:
    // How long a timer's service is waited for after the multiplex opens.
    static constexpr int64_t kServiceWaitMs = 15000;

    // nowMs is a monotonic clock in milliseconds.
    CKRXWindowTimerRecorder(CKRXMainDialogModel& model, std::function<int64_t()> nowMs);

    EStart StartRecording(const CKRXTimer& timer, const CString& file, CString& error) override;
    bool StopRecording(const CKRXTimer& timer, CString& error) override;
    CString CheckRecording(const CKRXTimer& timer, bool& fatal) override;
    unsigned char GetRunningStatus(const CKRXTimer& timer) override;

private:
    CKRXMainDialogModel& m_model;
    std::function<int64_t()> m_nowMs;
    int m_waitingFor = 0; // the timer whose service is being waited for
    int64_t m_waitStartMs = 0;
    unsigned short m_serviceId = 0;
    bool m_eventSeen = false;
};
