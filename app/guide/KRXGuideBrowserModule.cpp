// korrix-guide-browser.so: the guide window's web browser.
#include "KRXGuideBrowser.h"

#include <QCoreApplication>
#include <QOpenGLContext>
#include <QUrl>
#include <QUrlQuery>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <type_traits>
#include <unistd.h>

// Qt's own hook for the context every OpenGL context of the process shares.
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);

namespace {
// The web engine composes through a context shared with the program's. Qt
// makes one at start-up only when asked before the application object
// exists, which would give every user an OpenGL context (tens of megabytes)
// whether they open the guide or not; so it is made here, on first use.
void ProvideShareContext()
{
    if (QOpenGLContext::globalShareContext() != nullptr)
        return;
    // Kept for the life of the process, as Qt's own would be.
    auto* context = new QOpenGLContext;
    context->create();
    qt_gl_set_global_share_context(context);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

// The page's service links are the program's to follow: the page stays.
class CServiceLinkPage : public QWebEnginePage
{
public:
    CServiceLinkPage(const KRXGuideServiceChosen& chosen, QObject* parent)
        : QWebEnginePage(parent)
        , m_chosen(chosen)
    {
    }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override
    {
        const QStringList ids = QUrlQuery(url).queryItemValue("service").split('.');
        if (ids.size() != 2)
            return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
        bool tsidRead = false, sidRead = false;
        const unsigned tsid = ids[0].toUShort(&tsidRead), sid = ids[1].toUShort(&sidRead);
        if (tsidRead && sidRead && m_chosen)
            m_chosen(static_cast<unsigned short>(tsid), static_cast<unsigned short>(sid));
        return false;
    }

private:
    KRXGuideServiceChosen m_chosen;
};

// The engine's sandbox refuses to run as root, and its refusal ends the whole
// process; run as root, the engine goes without it.
void AllowRunningAsRoot()
{
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}
} // namespace

extern "C" __attribute__((visibility("default"))) QWidget* KRXCreateGuideBrowser(
    QWidget* parent, const QString& pagePath, const KRXGuideServiceChosen& chosen)
{
    AllowRunningAsRoot();
    ProvideShareContext();
    auto* browser = new QWebEngineView(parent);
    browser->setPage(new CServiceLinkPage(chosen, browser));
    // The page reads epg.xml beside it through a file: URL.
    browser->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    // A missing page shows the browser's own error page; nothing else changes.
    browser->load(QUrl::fromLocalFile(pagePath));
    return browser;
}

// The factory must keep the type the program calls it through.
static_assert(std::is_same_v<decltype(&KRXCreateGuideBrowser), KRXGuideBrowserFactory>);
