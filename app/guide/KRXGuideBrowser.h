#pragma once
// The browser half of the guide window lives in a module of its own
// (korrix-guide-browser.so in the program folder), loaded on the guide's
// first show: linking the web engine into the program would cost every user
// its memory and load time, whether they open the guide or not.
#include <QString>

#include <functional>

class QWidget;

#define KRX_GUIDE_BROWSER_MODULE "korrix-guide-browser.so"
#define KRX_GUIDE_BROWSER_FACTORY "KRXCreateGuideBrowser"

// The page's link to a service: the user chose to watch it.
using KRXGuideServiceChosen = std::function<void(unsigned short transportStreamId, unsigned short serviceId)>;

// Makes a browser child of parent that shows the page at pagePath; links to
// "?service=TSID.SID" go to chosen instead of being followed.
using KRXGuideBrowserFactory
    = QWidget* (*)(QWidget* parent, const QString& pagePath, const KRXGuideServiceChosen& chosen);
