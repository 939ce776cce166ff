#pragma once
// The guide window: shows epg/epg.html, which lies beside the collector's
// export, and keeps the export running only while the window is shown.
// The browser is made on first show, so a user who never opens the guide
// never pays for it.
#include "platform/CString.h"
#include "platform/ProgramFolder.h"

#include <QWidget>

#include <functional>

class CDVBSICollector;

class CKRXGuideDialog : public QWidget
{
    Q_OBJECT
public:
    // The browser module is looked for in programFolder (ending with '/').
    explicit CKRXGuideDialog(
        CDVBSICollector& collector, QWidget* parent = nullptr, const CString& programFolder = GetProgramFolder());

    // For the main window's "EPG..." button: shows the window if hidden or
    // minimised (bringing it to the front), hides it if shown.
    void Toggle();

    // Null until the window is first shown; then the browser, or a notice
    // when the browser module cannot be loaded.
    QWidget* GetBrowser() const { return m_browser; }
    // The page the browser loads: "epg.html" in the export's folder.
    QString GetPagePath() const;
    // A service clicked on the page is handed to the selector, to be watched.
    void SetServiceSelector(std::function<void(unsigned short transportStreamId, unsigned short serviceId)> selector)
    {
        m_serviceSelector = std::move(selector);
    }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void CreateBrowser();
    void SetUpdates(bool on);

    CDVBSICollector& m_collector;
    CString m_programFolder;
    QWidget* m_browser = nullptr;
    bool m_updatesOn = false;
    std::function<void(unsigned short, unsigned short)> m_serviceSelector;
};
