#include "KRXGuideDialog.h"
#include "platform/DebugOutput.h"
#include "si/DVBEITSection.h"
#include "si/DVBPATSection.h"
#include "si/DVBSDTSection.h"
#include "si/DVBSICollector.h"
#include "support/TemporaryFolder.h"
#include "tswriter/Descriptors.h"
#include "tswriter/SiTables.h"

#include <QJsonDocument>
#include <QJsonValue>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <memory>

namespace fs = std::filesystem;

namespace {
// The browser starts a process of its own; give it time on a busy machine.
constexpr int PageTimeout = 60000;
// Where the build puts the program, the browser module and the page.
const CString ProgramFolder = KRX_PROGRAM_FOLDER "/";

template <class T> std::unique_ptr<T> Parse(const ts::Bytes& bytes)
{
    auto section = std::make_unique<T>();
    EXPECT_TRUE(section->Parse(bytes.data(), bytes.size()));
    return section;
}

ts::EitEvent Event(uint8_t status, int64_t start, int64_t seconds, const std::string& title, const std::string& text)
{
    ts::EitEvent event;
    event.start = ts::DvbTime::FromUnix(start);
    event.durationBcd = ts::BcdDuration(seconds);
    event.runningStatus = status;
    event.descriptors = ts::ShortEventDescriptor("eng", title, text);
    return event;
}

class GuideWindow : public ::testing::Test
{
protected:
    GuideWindow()
    {
        fs::create_directories(m_folder.File("epg"));
        fs::copy_file(ProgramFolder + "epg/epg.html", m_folder.File("epg/epg.html"));
        m_previousSink = SetDebugOutputSink([this](const CString& text) { m_debug += text; });
        m_collector = std::make_unique<CDVBSICollector>(m_folder.Path());
    }
    ~GuideWindow() override { SetDebugOutputSink(m_previousSink); }

    bool ExportExists() const { return fs::exists(m_folder.File("epg/epg.xml")); }

    void ReceivePAT(uint8_t version = 0)
    {
        m_collector->OnReceivePAT(
            0, Parse<CDVBPATSection>(ts::PatSection(1, { { 1, 0x100 }, { 3, 0x300 } }, version)).get());
    }
    void ReceiveServices()
    {
        ReceivePAT();
        ts::SdtService one { .serviceId = 1, .descriptors = ts::ServiceDescriptor(1, "Korrix", "Korrix One") };
        ts::SdtService radio { .serviceId = 3, .descriptors = ts::ServiceDescriptor(2, "Korrix", "Korrix Radio") };
        m_collector->OnReceiveSDT(0x11, Parse<CDVBSDTSection>(ts::SdtSection(1, 1, { one, radio })).get());
    }
    void ReceiveNowAndNext(const std::string& nowTitle, uint8_t version = 0)
    {
        const int64_t now = std::time(nullptr);
        ts::EitHeader header { .serviceId = 1, .transportStreamId = 1, .version = version };
        m_collector->OnReceiveEIT(0x12,
            Parse<CDVBEITSection>(
                ts::EitSection(
                    header, { Event(4, now - 600, 1800, nowTitle, "Bars & tones <live>, with a frame counter.") }))
                .get());
        header.sectionNumber = 1;
        m_collector->OnReceiveEIT(0x12,
            Parse<CDVBEITSection>(
                ts::EitSection(header, { Event(1, now + 1200, 3600, "More Test Card", "English and German sound.") }))
                .get());
    }

    // The text the page shows, read from its DOM.
    QString PageText(CKRXGuideDialog& dialog) { return RunJavaScript(dialog, "document.body.innerText").toString(); }
    QVariant RunJavaScript(CKRXGuideDialog& dialog, const QString& script)
    {
        auto* browser = qobject_cast<QWebEngineView*>(dialog.GetBrowser());
        EXPECT_NE(browser, nullptr);
        if (browser == nullptr)
            return QVariant();
        auto result = std::make_shared<std::pair<bool, QVariant>>(false, QVariant());
        browser->page()->runJavaScript(script, [result](const QVariant& value) { *result = { true, value }; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return result->first; }, PageTimeout)) << script.toStdString();
        return result->second;
    }
    bool WaitForText(CKRXGuideDialog& dialog, const QString& text)
    {
        return QTest::qWaitFor([&] { return PageText(dialog).contains(text); }, PageTimeout);
    }

    TemporaryFolder m_folder;
    CString m_debug;
    DebugOutputSink m_previousSink;
    std::unique_ptr<CDVBSICollector> m_collector;
};
} // namespace

TEST_F(GuideWindow, TheBrowserIsMadeOnFirstShowAndShowingSwitchesTheExport)
{
    CKRXGuideDialog dialog(*m_collector, nullptr, ProgramFolder);
    EXPECT_EQ(dialog.windowTitle(), "Korrix EPG");
    EXPECT_FALSE(dialog.windowIcon().pixmap(48).isNull());
    EXPECT_EQ(dialog.GetBrowser(), nullptr);
    fs::remove(m_folder.File("epg/epg.xml"));
    ReceivePAT();
    m_collector->OnEverySecond();
    EXPECT_FALSE(ExportExists());

    dialog.Toggle();
    ASSERT_NE(dialog.GetBrowser(), nullptr);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(m_debug, "EPG updates now on.\n");
    m_collector->OnEverySecond();
    EXPECT_TRUE(ExportExists());

    // Hiding stops the export, though the page stays loaded.
    ASSERT_NE(qobject_cast<QWebEngineView*>(dialog.GetBrowser()), nullptr);
    QWidget* browser = dialog.GetBrowser();
    dialog.Toggle();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(m_debug, "EPG updates now on.\nEPG updates now off.\n");
    fs::remove(m_folder.File("epg/epg.xml"));
    ReceivePAT(1);
    for (int second = 0; second < 10; ++second)
        m_collector->OnEverySecond();
    EXPECT_FALSE(ExportExists());

    dialog.Toggle();
    EXPECT_EQ(dialog.GetBrowser(), browser);
    EXPECT_EQ(m_debug, "EPG updates now on.\nEPG updates now off.\nEPG updates now on.\n");

    // A minimised guide comes back rather than going away.
    dialog.setWindowState(Qt::WindowMinimized);
    dialog.Toggle();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.isMinimized());
}

TEST_F(GuideWindow, ThePageShowsEachServiceWithItsNowAndNext)
{
    ReceiveServices();
    ReceiveNowAndNext("Test Card");
    m_collector->Update();

    CKRXGuideDialog dialog(*m_collector, nullptr, ProgramFolder);
    dialog.show();
    ASSERT_TRUE(WaitForText(dialog, "Korrix One"));
    EXPECT_EQ(qobject_cast<QWebEngineView*>(dialog.GetBrowser())->url(),
        QUrl::fromLocalFile(m_folder.File("epg/epg.html").c_str()));
    const QString text = PageText(dialog);
    EXPECT_TRUE(text.contains("Test Card")) << text.toStdString();
    EXPECT_TRUE(text.contains("30 mins")) << text.toStdString();
    // Markup in broadcast text is shown as text, never interpreted.
    EXPECT_TRUE(text.contains("Bars & tones <live>, with a frame counter.")) << text.toStdString();
    EXPECT_TRUE(text.contains("More Test Card")) << text.toStdString();
    EXPECT_TRUE(text.contains("1 hour")) << text.toStdString();
    // A service without events says so instead of vanishing.
    EXPECT_TRUE(text.contains("Korrix Radio")) << text.toStdString();
    EXPECT_TRUE(text.contains("No programme information.")) << text.toStdString();
}

TEST_F(GuideWindow, ThePageFollowsTheExportAndKeepsTheLastGoodGuide)
{
    ReceiveServices();
    ReceiveNowAndNext("Test Card");
    m_collector->Update();
    CKRXGuideDialog dialog(*m_collector, nullptr, ProgramFolder);
    dialog.show();
    ASSERT_TRUE(WaitForText(dialog, "Test Card"));

    ReceiveNowAndNext("Evening News", 1);
    m_collector->Update();
    ASSERT_TRUE(WaitForText(dialog, "Evening News"));

    // A file caught half written, or emptied by the next write, or gone,
    // leaves the guide as it was.
    const CString whole = m_folder.Read("epg/epg.xml");
    for (const CString& text : { whole.substr(0, whole.size() / 2), CString(), CString("<system>") }) {
        const QString argument
            = QJsonDocument::fromVariant(QVariantList { QString::fromStdString(text) }).toJson(QJsonDocument::Compact);
        RunJavaScript(dialog, "showText(..." + argument + ")");
        const QString shown = PageText(dialog);
        EXPECT_TRUE(shown.contains("Evening News") && shown.contains("Korrix Radio")) << text;
    }
}

TEST_F(GuideWindow, AnExportWithoutServicesSaysHowTheGuideFills)
{
    // The collector's first export, written before any multiplex was open.
    CKRXGuideDialog dialog(*m_collector, nullptr, ProgramFolder);
    dialog.show();
    ASSERT_TRUE(WaitForText(dialog, "Updated "));
    EXPECT_TRUE(PageText(dialog).contains("No guide yet.")) << PageText(dialog).toStdString();
}

TEST_F(GuideWindow, TheHeadingNamesTheMultiplexAndAServiceClickedIsChosenToWatch)
{
    ReceiveServices();
    ReceiveNowAndNext("Test Card");
    m_collector->NameTransportStream(1, "Korrix Demo");
    m_collector->Update();
    CKRXGuideDialog dialog(*m_collector, nullptr, ProgramFolder);
    std::vector<std::pair<int, int>> chosen;
    dialog.SetServiceSelector([&chosen](unsigned short tsid, unsigned short sid) { chosen.emplace_back(tsid, sid); });
    dialog.show();
    ASSERT_TRUE(WaitForText(dialog, "Korrix Radio"));
    const QString text = PageText(dialog);
    EXPECT_TRUE(text.contains("Korrix Demo")) << text.toStdString();
    EXPECT_FALSE(text.contains("Multiplex 1")) << text.toStdString();

    const QUrl page = qobject_cast<QWebEngineView*>(dialog.GetBrowser())->url();
    const QVariant clicked = RunJavaScript(dialog,
        "(() => { const link = [...document.querySelectorAll('.service a.name')]"
        ".find(a => a.textContent === 'Korrix Radio'); if (link) link.click(); return !!link; })()");
    ASSERT_TRUE(clicked.toBool()) << "the service's name is no link";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !chosen.empty(); }, PageTimeout));
    EXPECT_EQ(chosen, (std::vector<std::pair<int, int>> { { 1, 3 } }));
    // The page stays where it was.
    EXPECT_EQ(qobject_cast<QWebEngineView*>(dialog.GetBrowser())->url(), page);
    EXPECT_TRUE(PageText(dialog).contains("Korrix Radio"));
}

TEST_F(GuideWindow, AProgrammeThatHasEndedLeavesThePage)
{
    ReceiveServices();
    const int64_t now = std::time(nullptr);
    const auto receive = [this](unsigned short service, uint8_t section, const ts::EitEvent& event) {
        ts::EitHeader header { .serviceId = service, .transportStreamId = 1, .sectionNumber = section };
        m_collector->OnReceiveEIT(0x12, Parse<CDVBEITSection>(ts::EitSection(header, { event })).get());
    };
    receive(1, 0, Event(4, now - 3600, 1800, "Old Film", "Ended long ago."));
    receive(1, 1, Event(1, now + 1200, 3600, "Late Show", "Still to come."));
    receive(3, 0, Event(4, now - 7200, 3600, "Old Concert", "Ended too."));
    m_collector->Update();
    ASSERT_NE(m_folder.Read("epg/epg.xml").find("Old Film"), CString::npos);

    CKRXGuideDialog dialog(*m_collector, nullptr, ProgramFolder);
    dialog.show();
    ASSERT_TRUE(WaitForText(dialog, "Late Show"));
    const QString text = PageText(dialog);
    EXPECT_FALSE(text.contains("Old Film")) << text.toStdString();
    EXPECT_FALSE(text.contains("Old Concert")) << text.toStdString();
    // The service left with nothing says so; the other still has its next.
    EXPECT_EQ(text.count("No programme information."), 1) << text.toStdString();
}
