#include "KRXApp.h"

#include "KRXAboutDialog.h"
#include "KRXGuideDialog.h"
#include "KRXGuideFolder.h"
#include "KRXGuideGridWindow.h"
#include "KRXMainDialog.h"
#include "KRXMessageBoxes.h"
#include "KRXNetMultiplexDialog.h"
#include "KRXQtMultiplexDialogs.h"
#include "KRXTTTuningDialog.h"
#include "KRXTimerRunner.h"
#include "KRXWindowToggle.h"
#include "plugin/KRXLoadedPlugins.h"

#include "platform/MessageBox.h"
#include "plugin/KRXAVLog.h"
#include "plugin/KRXPlugin.h"
#include "plugin/KRXPluginManager.h"
#include "timers/KRXTimerSettings.h"
#include "timers/KRXTimerStore.h"

#include <QImage>
#include <ctime>
#include <sys/resource.h>

namespace {
// The program's own mark drawn into every picture: non-zero where the picture is lit.
std::vector<unsigned char> LoadLogoBitmap()
{
    const QImage logo = QImage(":/icons/logo.png").convertToFormat(QImage::Format_ARGB32);
    std::vector<unsigned char> bitmap;
    for (int y = 0; y < logo.height(); ++y) {
        for (int x = 0; x < logo.width(); ++x) {
            const QRgb pixel = logo.pixel(x, y);
            bitmap.push_back(qAlpha(pixel) >= 128 && qGray(pixel) >= 128 ? 1 : 0);
        }
    }
    return bitmap;
}
} // namespace

CKRXApp::CKRXApp(const SKRXCommandLine& line, const QString& pluginFolder)
    : m_line(line)
    , m_pluginFolder(pluginFolder)
{
}

CKRXApp::~CKRXApp()
{
    // The window closes the display and the multiplex; only then are the
    // plug-ins that made them de-initialised and unloaded.
    delete m_guide;
    delete m_grid;
    CKRXMultiplexDialogs::SetMultiplexDialogs(nullptr);
    m_dialogs.reset();
    m_mainDialog.reset();
    m_plugins.reset();
    CKRXAVLog::Close();
}

bool CKRXApp::Start(QString& error)
{
    CString reason;
    if (!m_line.avLog.isEmpty() && !CKRXAVLog::Open(m_line.avLog.toStdString(), reason)) {
        error = QString("Cannot write the A/V log to '%1': %2.").arg(m_line.avLog, QString::fromStdString(reason));
        return false;
    }
    // Best effort: pictures and sound keep their pace better; a refusal is no fault.
    setpriority(PRIO_PROCESS, 0, -5);
    InstallQtMessageBoxes();
    m_plugins = std::make_unique<CKRXLoadedPlugins>(m_pluginFolder.toStdString());
    m_mainDialog = std::make_unique<CKRXMainDialog>(*m_plugins->GetManager(), nullptr, PrepareGuideFolder());
    m_dialogs = std::make_unique<CKRXQtMultiplexDialogs>(m_mainDialog.get());
    AddTTTuningEditors(*m_dialogs);
    AddNetworkMultiplexEditor(*m_dialogs);
    CKRXMultiplexDialogs::SetMultiplexDialogs(m_dialogs.get());
    m_mainDialog->GetModel().GetFlow().GetLogoLayer().SetBitmap(LoadLogoBitmap());
    connect(m_mainDialog.get(), &CKRXMainDialog::guideToggleRequested, this, &CKRXApp::ToggleGuide);
    connect(m_mainDialog.get(), &CKRXMainDialog::aboutRequested, this, &CKRXApp::ShowAbout);
    SetGuideWindow(new CKRXGuideDialog(m_mainDialog->GetModel().GetSICollector()));
    m_grid = new CKRXGuideGridWindow;
    m_grid->SetServiceSelector([this](unsigned short transportStreamId, unsigned short serviceId) {
        m_mainDialog->SelectGuideService(transportStreamId, serviceId);
    });
    m_grid->SetRecordHandler([this](const SKRXGuideRecording& programme) { RecordFromGuide(programme); });
    connect(m_mainDialog.get(), &CKRXMainDialog::gridToggleRequested, this, &CKRXApp::ToggleGrid);
    connect(m_mainDialog.get(), &CKRXMainDialog::serviceChanged, this, &CKRXApp::ShowWatchedServiceInGrid);
    m_mainDialog->show();

    CKRXSettings::LastViewed viewed = CKRXSettings::GetLastViewed();
    const bool named = !m_line.input.isEmpty() || !m_line.multiplex.isEmpty() || !m_line.service.isEmpty();
    if (named)
        viewed = { m_line.input, m_line.multiplex, m_line.service };
    m_mainDialog->OpenStraightInto(viewed);
    return true;
}

void CKRXApp::SetGuideWindow(CKRXGuideDialog* guide)
{
    m_guide = guide;
    m_mainDialog->SetGuideAvailable(guide != nullptr);
    if (guide != nullptr) {
        guide->SetServiceSelector([this](unsigned short transportStreamId, unsigned short serviceId) {
            m_mainDialog->SelectGuideService(transportStreamId, serviceId);
        });
    }
}

void CKRXApp::ToggleGuide()
{
    if (m_guide)
        m_guide->Toggle();
}

CKRXGuideGridWindow* CKRXApp::GetGridWindow() const
{
    return m_grid;
}

// "Record" in the grid: a timer following the programme's event, with the padding of the settings.
void CKRXApp::RecordFromGuide(const SKRXGuideRecording& programme)
{
    const CKRXTimerSettings settings(CProfileSettings::ForUser());
    CString conflict, error;
    const bool saved = m_mainDialog->GetTimerRunner()->GetStore().Change(
        [&](CKRXTimerList& timers) {
            conflict = timers.AddForEvent(programme, settings.GetPaddingBefore(), settings.GetPaddingAfter());
        },
        error);
    if (!saved)
        KRXMessageBox("The timer could not be saved: " + error, "Korrix", KRX_MB_OK | KRX_MB_ICONERROR);
    else if (!conflict.empty())
        KRXMessageBox("The timer for \"" + programme.title + "\" is kept, but it " + conflict, "Korrix",
            KRX_MB_OK | KRX_MB_ICONWARNING);
}

void CKRXApp::ToggleGrid()
{
    ToggleWindow(*m_grid, [this] {
        CKRXMainDialogModel& model = m_mainDialog->GetModel();
        m_grid->Load(model.GetSICollector().GetGuide(), model.GetMultiplexPlaces(), std::time(nullptr));
        ShowWatchedServiceInGrid();
    });
}

void CKRXApp::ShowWatchedServiceInGrid()
{
    CKRXMainDialogModel& model = m_mainDialog->GetModel();
    const auto transportStreamId = model.GetTransportStreamId();
    if (transportStreamId && model.GetFlow().IsServiceSelected())
        m_grid->SetCurrentService(*transportStreamId, model.GetFlow().GetProgramNumber());
}

void CKRXApp::ShowAbout()
{
    CKRXAboutDialog about(*m_plugins->GetManager(), m_mainDialog.get());
    about.exec();
}
