#include "KRXGuideDialog.h"

#include "platform/DebugOutput.h"
#include "si/DVBSICollector.h"

#include <QFileInfo>
#include <QIcon>
#include <QVBoxLayout>
#include <QWebEngineSettings>
#include <QWebEngineView>

CKRXGuideDialog::CKRXGuideDialog(CDVBSICollector& collector, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_collector(collector)
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
    // A minimised guide is still "visible": the button brings it back.
    if (isVisible() && !isMinimized()) {
        hide();
        return;
    }
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
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
    m_browser = new QWebEngineView(this);
    // The page reads epg.xml beside it through a file: URL.
    m_browser->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    layout()->addWidget(m_browser);
    // A missing page shows the browser's own error page; nothing else changes.
    m_browser->load(QUrl::fromLocalFile(GetPagePath()));
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
