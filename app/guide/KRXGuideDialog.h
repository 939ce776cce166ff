#pragma once
// The guide window: shows epg/epg.html, which lies beside the collector's
// export, and keeps the export running only while the window is shown.
// The browser is made on first show, so a user who never opens the guide
// never pays for it.
#include <QWidget>

class CDVBSICollector;
class QWebEngineView;

class CKRXGuideDialog : public QWidget
{
    Q_OBJECT
public:
    explicit CKRXGuideDialog(CDVBSICollector& collector, QWidget* parent = nullptr);

    // For the main window's "EPG..." button: shows the window if hidden or
    // minimised (bringing it to the front), hides it if shown.
    void Toggle();

    // Null until the window is first shown.
    QWebEngineView* GetBrowser() const { return m_browser; }
    // The page the browser loads: "epg.html" in the export's folder.
    QString GetPagePath() const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void CreateBrowser();
    void SetUpdates(bool on);

    CDVBSICollector& m_collector;
    QWebEngineView* m_browser = nullptr;
    bool m_updatesOn = false;
};
