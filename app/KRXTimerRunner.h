#pragma once
// Runs the timers in the program: once a second the scheduler is given the
// time inside a change of the timers file; a timer that needs another
// multiplex than the one watched takes the window over after a countdown the
// user may cancel, and gives it back when its recording ends. Starts and
// stops go to the diagnostic output.
#include "timers/KRXTimerHandover.h"
#include "timers/KRXTimerScheduler.h"
#include "timers/KRXTimerStore.h"
#include "viewing/KRXWindowTimerRecorder.h"

#include <QObject>

class CKRXMainDialog;
class CKRXTimerCountdownBox;
class QTimer;

class CKRXTimerRunner : public QObject, public CKRXTimerHandover::CWindow
{
    Q_OBJECT
public:
    CKRXTimerRunner(CKRXMainDialog& dialog, CKRXTimerStore store);
    ~CKRXTimerRunner() override;

    CKRXTimerHandover::Place GetWatched() override;
    bool Watch(const CKRXTimerHandover::Place& place, CString& error) override;

    const CKRXTimerStore& GetStore() const { return m_store; }
    CKRXTimerCountdownBox* GetCountdownBox() const { return m_box; }

public slots:
    void Tick();

private:
    CKRXMainDialog& m_dialog;
    CKRXTimerStore m_store;
    CKRXWindowTimerRecorder m_recorder;
    CKRXTimerHandover m_handover;
    CKRXTimerScheduler m_scheduler;
    CKRXTimerCountdownBox* m_box;
    QTimer* m_tick;
};
