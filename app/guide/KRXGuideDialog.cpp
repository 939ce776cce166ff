#include "KRXGuideDialog.h"

#include "KRXGuideBrowser.h"
#include "KRXWindowToggle.h"
#include "platform/DebugOutput.h"
#include "si/DVBSICollector.h"

#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QLibrary>
#include <QVBoxLayout>

CKRXGuideDialog::CKRXGuideDialog(CDVBSICollector& collector, QWidget* parent, const CString& programFolder)
    : QWidget(parent, Qt::Window)
    , m_collector(collector)
    , m_programFolder(programFolder)
{
    setWindowTitle("Korrix EPG");
    setWindowIcon(QIcon(":/korrix/icons/korrix-48.png"));
    resize(720, 640);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

QString CKRXGuideDialog::GetPagePath() const
{
    const QFileInfo xml(QString::fromStdString(m_collector.GetExportPath()));
    return xml.absolutePath() + "/epg.html";
}

void CKRXGuideDialog::Toggle()
{
    ToggleWindow(*this);
}

void CKRXGuideDialog::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_browser == nullptr)
        CreateBrowser();
    SetUpdates(true);
}

void CKRXGuideDialog::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // The page stays loaded; only the export stops.
    SetUpdates(false);
}

void CKRXGuideDialog::CreateBrowser()
{
    // Loaded once and kept for the life of the process: the web engine does
    // not support being unloaded.
    QLibrary module(QString::fromStdString(m_programFolder + KRX_GUIDE_BROWSER_MODULE));
    module.setLoadHints(QLibrary::PreventUnloadHint);
    const auto create = reinterpret_cast<KRXGuideBrowserFactory>(module.resolve(KRX_GUIDE_BROWSER_FACTORY));
    if (create != nullptr) {
        m_browser = create(this, GetPagePath(), [this](unsigned short transportStreamId, unsigned short serviceId) {
            if (m_serviceSelector)
                m_serviceSelector(transportStreamId, serviceId);
        });
    } else {
        DebugOutput("Guide browser not loaded: " + module.errorString().toStdString() + "\n");
        auto* notice = new QLabel("The guide cannot be shown: its browser module " KRX_GUIDE_BROWSER_MODULE
                                  " could not be loaded from the program folder.");
        notice->setAlignment(Qt::AlignCenter);
        notice->setWordWrap(true);
        m_browser = notice;
    }
    layout()->addWidget(m_browser);
}

void CKRXGuideDialog::SetUpdates(bool on)
{
    // Minimising and restoring also hide and show; report changes only.
    if (on == m_updatesOn)
        return;
    m_updatesOn = on;
    m_collector.EnableUpdates(on);
    DebugOutput(on ? "EPG updates now on.\n" : "EPG updates now off.\n");
}
