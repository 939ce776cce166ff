#include "KRXTimerRunner.h"

#include "KRXMainDialog.h"
#include "KRXTimerCountdownBox.h"

#include "platform/Clock.h"
#include "platform/DebugOutput.h"
#include "timers/KRXTimerSettings.h"

#include <QTimer>
#include <ctime>
#include <sys/stat.h>

namespace {
constexpr int TickMs = 1000;

int64_t NowMs()
{
    return GetMonotonicNanoseconds() / 1000000;
}

bool Exists(const CString& path)
{
    struct stat status;
    return stat(path.c_str(), &status) == 0;
}
} // namespace

CKRXTimerRunner::CKRXTimerRunner(CKRXMainDialog& dialog, CKRXTimerStore store)
    : QObject(&dialog)
    , m_dialog(dialog)
    , m_store(std::move(store))
    , m_recorder(dialog.GetModel(), NowMs)
    , m_handover(*this, m_recorder, NowMs)
    , m_scheduler(m_handover, m_store.GetFolder(), CKRXTimerSettings(CProfileSettings::ForUser()).GetRecordingFolder())
    , m_box(new CKRXTimerCountdownBox(m_handover, &dialog))
    , m_tick(new QTimer(this))
{
    connect(m_tick, &QTimer::timeout, this, &CKRXTimerRunner::Tick);
    m_tick->start(TickMs);
}

CKRXTimerRunner::~CKRXTimerRunner()
{
    if (!m_scheduler.IsRecording())
        return;
    CString error;
    m_store.Change(
        [this](CKRXTimerList& timers) {
            for (const CString& line : m_scheduler.StopAll(timers, "the program was closed"))
                DebugOutput(line);
        },
        error);
}

void CKRXTimerRunner::Tick()
{
    // Without a timers file there is nothing to do, and nothing to make.
    if (!m_scheduler.IsRecording() && !Exists(m_store.GetPath()))
        return;
    std::vector<CString> log;
    CString error;
    if (!m_store.Change([&](CKRXTimerList& timers) { log = m_scheduler.Tick(std::time(nullptr), timers); }, error))
        log.push_back(error);
    for (const CString& line : log)
        DebugOutput(line);
    m_box->Refresh();
}

CKRXTimerHandover::Place CKRXTimerRunner::GetWatched()
{
    const CKRXMainDialogModel& model = m_dialog.GetModel();
    const std::vector<CString> inputs = model.GetInputNames();
    const int input = model.GetInputIndex();
    const int multiplex = model.GetMultiplexIndex();
    if (input < 0 || input >= int(inputs.size()) || multiplex < 0 || multiplex >= int(model.GetMultiplexNames().size()))
        return {};
    CKRXViewingFlow& flow = m_dialog.GetModel().GetFlow();
    return { inputs[input], model.GetMultiplexNames()[multiplex],
        flow.IsServiceSelected() ? FormatString("%u", flow.GetProgramNumber()) : CString() };
}

bool CKRXTimerRunner::Watch(const CKRXTimerHandover::Place& place, CString& error)
{
    m_dialog.OpenStraightInto({ QString::fromStdString(place.input), QString::fromStdString(place.multiplex),
        QString::fromStdString(place.service) });
    const CKRXTimerHandover::Place opened = GetWatched();
    if (opened.input == place.input && opened.multiplex == place.multiplex)
        return true;
    error = "cannot open '" + place.multiplex + "' of '" + place.input + "'";
    return false;
}
