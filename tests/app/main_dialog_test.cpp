// The main window on the demo multiplex, driven through its widgets as a user
// would: pick the demo, choose a service, tick a component, record,
// reconfigure, close, and start again where it was left; and zap through it
// a hundred times with a probe on how long the window's thread was held.
#include "KRXApp.h"
#include "KRXGuideGridWindow.h"
#include "KRXMainDialog.h"
#include "KRXSignalCloser.h"

#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "plugin/KRXDeinterlace.h"
#include "plugin/KRXMultiplexDialogs.h"
#include "plugin/KRXPluginManager.h"
#include "plugin/KRXVideoOutput.h"
#include "plugin/KRXViewerCommands.h"
#include "plugin/KRXVolume.h"
#include "stream/DVBTransportStreamReceiver.h"
#include "support/TemporaryFolder.h"
#include "tswriter/Descriptors.h"
#include "tswriter/SectionWriter.h"
#include "tswriter/SiTables.h"
#include "tswriter/TsPacketWriter.h"
#include "viewing/KRXFavouriteStore.h"

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSlider>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <thread>

namespace {
constexpr int Patience = 20000; // ms; the machine may be busy

// Says OK without changing anything, as a user who only looked would.
class CLookingDialogs : public CKRXMultiplexDialogs
{
public:
    bool ConfigureMultiplexDefinitions(CKRXInputPlugin*) override { return ++shown > 0; }
    int shown = 0;
};

// A service list's names are in its second column, after the channel number.
QTreeWidgetItem* FindRow(QTreeWidget* list, const QString& text)
{
    const int column = list->headerItem()->text(0) == "#" ? 1 : 0;
    const QList<QTreeWidgetItem*> found = list->findItems(text, Qt::MatchExactly, column);
    return found.isEmpty() ? nullptr : found.first();
}

void Click(QTreeWidget* list, QTreeWidgetItem* item)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

// Fires every few milliseconds on the window's thread; the longest gap beyond
// the interval is the longest time the event loop did not run.
class CLatencyProbe
{
public:
    static constexpr int Interval = 5; // ms

    CLatencyProbe()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Fire(); });
        m_last = ReadSchedulerTimes();
        m_clock.start();
        m_timer.start(Interval);
    }
    double GetLongestStall() const { return m_longest; }
    // The longest part of a stall that the thread spent neither running nor
    // waiting for a processor: blocked, in a wait of the program's own. On a
    // loaded machine the rest of a stall is other programs' turn.
    double GetLongestBlocked() const { return m_longestBlocked; }

private:
    struct SchedulerTimes {
        double ran = 0, waited = 0; // ms
    };
    static SchedulerTimes ReadSchedulerTimes()
    {
        std::ifstream file("/proc/thread-self/schedstat");
        uint64_t ran = 0, waited = 0;
        file >> ran >> waited;
        return { ran / 1e6, waited / 1e6 };
    }
    void Fire()
    {
        const double stall = m_clock.nsecsElapsed() / 1e6 - Interval;
        m_clock.restart();
        const SchedulerTimes now = ReadSchedulerTimes();
        const double blocked = stall - (now.ran - m_last.ran) - (now.waited - m_last.waited);
        m_last = now;
        m_longest = std::max(m_longest, stall);
        m_longestBlocked = std::max(m_longestBlocked, blocked);
    }

    QTimer m_timer;
    QElapsedTimer m_clock;
    SchedulerTimes m_last;
    double m_longest = 0;
    double m_longestBlocked = 0;
};

// How long calls on the window's thread took.
struct SCallTimes {
    template <typename Call> void Time(Call call)
    {
        QElapsedTimer clock;
        clock.start();
        call();
        const double took = clock.nsecsElapsed() / 1e6;
        total += took;
        longest = std::max(longest, took);
        ++count;
    }
    double GetMean() const { return count == 0 ? 0 : total / count; }

    double total = 0;
    double longest = 0;
    int count = 0;
};

// Runs the event loop as the program's own runs it (QTest's waits sleep between
// passes, which the probe would take for stalls) until done() or the time is up.
bool RunEventLoop(
    int ms, const std::function<bool()>& done = [] { return false; })
{
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (done())
            loop.quit();
    });
    check.start(CLatencyProbe::Interval);
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

uintmax_t FileSize(const CString& path)
{
    std::error_code error;
    const uintmax_t size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

// The files in the folder whose names start so, in name order.
std::vector<CString> FilesStarting(const CString& folder, const std::string& start)
{
    std::vector<CString> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().filename().string().rfind(start, 0) == 0)
            files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

// Five services heard of in programme order, which the network numbers out of
// that order; "Shop" is numbered but hidden, two have no number.
CString NumberedServices()
{
    const std::vector<std::pair<std::string, int>> services { { "Zeta", 5 }, { "alpha", -1 }, { "Beta", 2 },
        { "Shop", 3 }, { "Gamma", -1 } };
    ts::TsPacketWriter out;
    std::vector<ts::PatEntry> pat { { 0, 0x10 } };
    std::vector<ts::SdtService> sdt;
    std::vector<ts::LogicalChannelEntry> channels;
    for (uint16_t id = 1; id <= services.size(); ++id) {
        pat.push_back({ id, uint16_t(0x100 * id) });
        sdt.push_back({ .serviceId = id, .descriptors = ts::ServiceDescriptor(0x02, "K", services[id - 1].first) });
        if (services[id - 1].second >= 0)
            channels.push_back({ id, uint16_t(services[id - 1].second), services[id - 1].first != "Shop" });
    }
    for (int repeat = 0; repeat < 50; ++repeat) {
        ts::SectionWriter(out, 0x00).Write(ts::PatSection(0x0001, pat));
        for (uint16_t id = 1; id <= services.size(); ++id)
            ts::SectionWriter(out, uint16_t(0x100 * id))
                .Write(ts::PmtSection(id, uint16_t(0x100 * id + 1), {}, { { 0x03, uint16_t(0x100 * id + 1), {} } }));
        ts::SectionWriter(out, 0x11).Write(ts::SdtSection(0x0001, 0x2000, sdt));
        ts::SectionWriter(out, 0x10).Write(
            ts::NitSection(0x2000, {}, { { 0x0001, 0x2000, ts::LogicalChannelDescriptor(channels) } }));
    }
    return CString(out.Data().begin(), out.Data().end());
}

// The shown rows' number and name.
QStringList ShownServices(QTreeWidget* list)
{
    QStringList shown;
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        if (!list->topLevelItem(row)->isHidden())
            shown << (list->topLevelItem(row)->text(0) + " " + list->topLevelItem(row)->text(1)).trimmed();
    }
    return shown;
}

class MainDialogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // The File input lists the multiplexes of the file beside the program.
        std::ofstream(QCoreApplication::applicationDirPath().toStdString() + "/File Multiplexes.txt")
            << "Korrix Demo, " KRX_PROGRAM_FOLDER "demo/demo.ts\n";
        previousBoxes = SetMessageBoxHandler(nullptr);
    }
    void TearDown() override { SetMessageBoxHandler(previousBoxes); }

    std::unique_ptr<CKRXApp> StartApp(const SKRXCommandLine& line = {})
    {
        auto app = std::make_unique<CKRXApp>(line, KRX_PROGRAM_FOLDER);
        QString error;
        EXPECT_TRUE(app->Start(error)) << error.toStdString();
        // Boxes are answered here, not waited on.
        SetMessageBoxHandler([this](const CString& text, const CString&, unsigned type) {
            boxes.push_back(text);
            return DefaultMessageBoxAnswer(type);
        });
        return app;
    }

    std::vector<CString> boxes;
    MessageBoxHandler previousBoxes;
    TemporaryFolder folder;
};
} // namespace

TEST_F(MainDialogTest, WatchesRecordsAndReconfiguresTheDemo)
{
    std::unique_ptr<CKRXApp> app = StartApp();
    CKRXMainDialog* window = app->GetMainDialog();
    ASSERT_GE(window->GetInputTabs()->count(), 1);
    EXPECT_EQ(window->GetInputTabs()->tabText(0), "File");
    EXPECT_EQ(window->GetStatusText()->text(), "No multiplex selected.");

    QTreeWidgetItem* demo = FindRow(window->GetMultiplexList(), "Korrix Demo");
    ASSERT_NE(demo, nullptr);
    Click(window->GetMultiplexList(), demo);
    QTreeWidget* services = window->GetServiceList();
    ASSERT_TRUE(QTest::qWaitFor([&] { return FindRow(services, "Korrix One") != nullptr; }, Patience));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !FindRow(services, "Korrix One")->text(2).isEmpty(); }, Patience));
    EXPECT_EQ(FindRow(services, "Korrix One")->text(2).left(11), "Test Card: ");
    EXPECT_FALSE(FindRow(services, "Korrix One")->icon(1).pixmap(16).isNull()) << "its service type";
    EXPECT_NE(window->GetModel().GetFlow().GetLogoLayer().GetBitmap(), CKRXLogoLayer().GetBitmap())
        << "the program's own logo";

    Click(services, FindRow(services, "Korrix One"));
    EXPECT_EQ(window->windowTitle(), "Korrix [Korrix One]");
    int x = 0, y = 0;
    ASSERT_TRUE(CKRXVideoOutput::GetWindowPlace(x, y));
    EXPECT_GT(x, window->frameGeometry().right()) << "the video window opens beside the main window, not over it";
    QTreeWidget* components = window->GetComponentList();
    ASSERT_EQ(components->topLevelItemCount(), 3);
    EXPECT_EQ(components->topLevelItem(0)->text(1), "0512");
    // One soundtrack plays; the other language waits to be ticked.
    std::vector<bool> ticked;
    for (int row = 0; row < 3; ++row)
        ticked.push_back(components->topLevelItem(row)->checkState(0) == Qt::Checked);
    EXPECT_EQ(std::count(ticked.begin(), ticked.end(), true), 2);
    const int waiting = int(std::find(ticked.begin(), ticked.end(), false) - ticked.begin());
    components->topLevelItem(waiting)->setCheckState(0, Qt::Checked);
    EXPECT_TRUE(window->GetModel().GetComponents()[waiting].selected);
    components->topLevelItem(waiting)->setCheckState(0, Qt::Unchecked);
    EXPECT_FALSE(window->GetModel().GetComponents()[waiting].selected);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return window->GetStatusText()->text().startsWith("Data is being received at "); }, Patience));

    // A record path that cannot be written: told, and the box stays clear.
    window->GetRecordPathEdit()->setText(QString::fromStdString(folder.File("missing/recording.ts")));
    window->GetRecordBox()->click();
    EXPECT_FALSE(window->GetRecordBox()->isChecked());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_THAT(boxes[0], ::testing::HasSubstr("missing/recording "));

    const CString chosen = folder.File("recording.ts");
    window->GetRecordPathEdit()->setText(QString::fromStdString(chosen));
    window->GetRecordBox()->click();
    ASSERT_TRUE(window->GetRecordBox()->isChecked());
    const std::vector<CString> recordings = FilesStarting(folder.Path(), "recording");
    ASSERT_EQ(recordings.size(), 1u);
    const CString recording = recordings[0];
    EXPECT_TRUE(QTest::qWaitFor([&] { return FileSize(recording) >= 188 * 1000; }, Patience));

    // Reconfiguring closes the multiplex (and the recording) and reopens it by its name.
    CLookingDialogs dialogs;
    CKRXMultiplexDialogs* previousDialogs = CKRXMultiplexDialogs::SetMultiplexDialogs(&dialogs);
    QTest::mouseClick(window->GetConfigureButton(), Qt::LeftButton);
    CKRXMultiplexDialogs::SetMultiplexDialogs(previousDialogs);
    EXPECT_EQ(dialogs.shown, 1);
    EXPECT_FALSE(window->GetRecordBox()->isChecked());
    EXPECT_EQ(FileSize(recording) % 188, 0u) << "the recording ended whole";
    ASSERT_EQ(window->GetMultiplexList()->selectedItems().size(), 1);
    EXPECT_EQ(window->GetMultiplexList()->selectedItems().first()->text(0), "Korrix Demo");
    EXPECT_NE(window->GetModel().GetFlow().GetReceiver(), nullptr);
    // And the service that was playing plays again.
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->windowTitle() == "Korrix [Korrix One]"; }, Patience));
    EXPECT_TRUE(QTest::qWaitFor([&] { return components->topLevelItemCount() == 3; }, Patience));
    ASSERT_TRUE(QTest::qWaitFor([&] { return FindRow(services, "Korrix Two") != nullptr; }, Patience));
    Click(services, FindRow(services, "Korrix Two"));
    EXPECT_EQ(window->windowTitle(), "Korrix [Korrix Two]");

    // Closing while recording stops the recording before the receiver.
    window->GetRecordBox()->click();
    ASSERT_TRUE(window->GetModel().IsRecording());
    window->close();
    EXPECT_EQ(window->GetModel().GetFlow().GetReceiver(), nullptr);
    EXPECT_EQ(FileSize(recording) % 188, 0u);
    EXPECT_TRUE(boxes.size() == 1) << boxes.back();

    const QSettings settings("Hollowmere", "Korrix");
    EXPECT_EQ(settings.value("General/Record Path").toString().toStdString(), chosen);
    EXPECT_EQ(settings.value("General/Last Multiplex").toString(), "Korrix Demo");
    EXPECT_EQ(settings.value("General/Last Service").toString(), "2");
    EXPECT_FALSE(settings.contains("Video/OverlayColour")) << "the bars stay black unless the user sets them";
}

TEST_F(MainDialogTest, OpensStraightIntoTheNamedServiceAndThereAgainNextTime)
{
    {
        std::unique_ptr<CKRXApp> app
            = StartApp({ "File", "Korrix Demo", "Korrix Radio", QString::fromStdString(folder.File("av.csv")) });
        CKRXMainDialog* window = app->GetMainDialog();
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->windowTitle() == "Korrix [Korrix Radio]"; }, Patience));
        ASSERT_EQ(window->GetServiceList()->selectedItems().size(), 1);
        EXPECT_EQ(window->GetServiceList()->selectedItems().first()->text(1), "Korrix Radio");
    }
    std::ifstream log(folder.File("av.csv"));
    std::string first;
    std::getline(log, first);
    EXPECT_THAT(first, ::testing::StartsWith("select,3,"));

    std::unique_ptr<CKRXApp> again = StartApp();
    CKRXMainDialog* window = again->GetMainDialog();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->windowTitle() == "Korrix [Korrix Radio]"; }, Patience));
}

TEST_F(MainDialogTest, TheDeinterlaceToggleSwitchesTheDecodersAndIsKeptAsTheSetting)
{
    QSettings("Hollowmere", "Korrix").setValue("Video/Deinterlace", "yadif");
    CKRXPluginManager plugins;
    {
        CKRXMainDialog window(plugins);
        EXPECT_EQ(CKRXDeinterlace::Get(), CKRXDeinterlace::Yadif) << "the setting applies from the start";
        const QList<QAction*> actions = window.actions();
        const auto toggle = std::find_if(
            actions.begin(), actions.end(), [](QAction* action) { return action->text() == "&Deinterlace"; });
        ASSERT_NE(toggle, actions.end()) << "in the window's context menu";
        ASSERT_TRUE((*toggle)->isChecked());
        (*toggle)->trigger();
        EXPECT_EQ(CKRXDeinterlace::Get(), CKRXDeinterlace::Off);
    }
    EXPECT_EQ(QSettings("Hollowmere", "Korrix").value("Video/Deinterlace").toString(), "off");
    CKRXMainDialog again(plugins);
    EXPECT_EQ(CKRXDeinterlace::Get(), CKRXDeinterlace::Off);
    const QList<QAction*> actions = again.actions();
    for (QAction* action : actions) {
        if (action->text() == "&Deinterlace") {
            EXPECT_FALSE(action->isChecked());
            action->trigger();
        }
    }
    EXPECT_EQ(CKRXDeinterlace::Get(), CKRXDeinterlace::Auto);
    EXPECT_EQ(QSettings("Hollowmere", "Korrix").value("Video/Deinterlace").toString(), "auto");
}

TEST_F(MainDialogTest, ClosesTheWindowAsTheUserWouldOnCtrlCOrAClosedTerminal)
{
    for (const int signal : { SIGINT, SIGHUP }) {
        std::unique_ptr<CKRXApp> app = StartApp({ "File", "Korrix Demo", "", "" });
        CKRXMainDialog* window = app->GetMainDialog();
        ASSERT_TRUE(window->isVisible());
        QSettings("Hollowmere", "Korrix").remove("General/Last Multiplex");
        {
            CKRXSignalCloser closer(window);
            raise(signal);
            EXPECT_TRUE(QTest::qWaitFor([&] { return !window->isVisible(); }, Patience)) << signal;
        }
        EXPECT_EQ(window->GetModel().GetFlow().GetReceiver(), nullptr) << "shut down";
        const QSettings settings("Hollowmere", "Korrix");
        EXPECT_EQ(settings.value("General/Last Multiplex").toString(), "Korrix Demo");
    }
}

TEST_F(MainDialogTest, ARecordingThatCannotBeWrittenIsToldInABoxAndUnticked)
{
    std::unique_ptr<CKRXApp> app = StartApp({ "File", "Korrix Demo", "", "" });
    CKRXMainDialog* window = app->GetMainDialog();
    ASSERT_NE(window->GetModel().GetFlow().GetReceiver(), nullptr);
    window->GetRecordPathEdit()->setText("/dev/full");
    window->GetRecordBox()->click();
    ASSERT_TRUE(window->GetRecordBox()->isChecked()) << (boxes.empty() ? "" : boxes[0]);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.empty(); }, Patience));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_THAT(boxes[0], ::testing::HasSubstr("\"/dev/full\": No space left on device"));
    EXPECT_FALSE(window->GetRecordBox()->isChecked());
    EXPECT_FALSE(window->GetModel().IsRecording());
}

// The window's thread must stay free while the user zaps, ticks components,
// closes and reopens the multiplex and quits. Timings are reported, not
// asserted: what must hold is that every zap ends on the chosen service.
TEST_F(MainDialogTest, ZapsAHundredTimesAndReportsHowLongTheWindowWasHeld)
{
    std::unique_ptr<CKRXApp> app = StartApp();
    CKRXMainDialog* window = app->GetMainDialog();
    QTreeWidget* multiplexes = window->GetMultiplexList();
    QTreeWidget* services = window->GetServiceList();
    QTreeWidget* components = window->GetComponentList();
    const QStringList names = { "Korrix One", "Korrix Two", "Korrix Radio" };
    const auto listed = [&] {
        return std::all_of(names.begin(), names.end(), [&](const QString& name) { return FindRow(services, name); });
    };
    const auto hasComponents = [&] { return components->topLevelItemCount() > 0; };

    CLatencyProbe probe;
    SCallTimes zaps, ticks, opens, closes, shutdown;
    opens.Time([&] { Click(multiplexes, FindRow(multiplexes, "Korrix Demo")); });
    ASSERT_TRUE(RunEventLoop(Patience, listed));
    for (int zap = 0; zap < 100; ++zap) {
        const QString name = names[zap % names.size()];
        QTreeWidgetItem* row = FindRow(services, name);
        zaps.Time([&] { Click(services, row); });
        const unsigned short programNumber
            = window->GetModel().GetServiceRows().GetRows()[services->indexOfTopLevelItem(row)].programNumber;
        ASSERT_EQ(window->windowTitle().toStdString(), "Korrix [" + name.toStdString() + "]") << "zap " << zap;
        ASSERT_EQ(window->GetModel().GetFlow().GetProgramNumber(), programNumber) << "zap " << zap;
        // Varied pauses, so zaps land at different points of the decoders' work.
        RunEventLoop(100 + zap * 37 % 200);
        ASSERT_TRUE(RunEventLoop(Patience, hasComponents)) << name.toStdString() << ", zap " << zap;

        if (zap % 25 == 12) {
            // Untick the first ticked component and tick it again.
            int ticked = 0;
            while (ticked < components->topLevelItemCount()
                && components->topLevelItem(ticked)->checkState(0) != Qt::Checked)
                ++ticked;
            ASSERT_LT(ticked, components->topLevelItemCount());
            ticks.Time([&] { components->topLevelItem(ticked)->setCheckState(0, Qt::Unchecked); });
            EXPECT_FALSE(window->GetModel().GetComponents()[ticked].selected);
            RunEventLoop(100);
            ticks.Time([&] { components->topLevelItem(ticked)->setCheckState(0, Qt::Checked); });
            EXPECT_TRUE(window->GetModel().GetComponents()[ticked].selected);
        }
        if (zap == 50) {
            closes.Time([&] { multiplexes->clearSelection(); });
            EXPECT_EQ(window->GetModel().GetFlow().GetReceiver(), nullptr);
            EXPECT_EQ(window->windowTitle(), "Korrix");
            RunEventLoop(100);
            opens.Time([&] { Click(multiplexes, FindRow(multiplexes, "Korrix Demo")); });
            ASSERT_TRUE(RunEventLoop(Patience, listed));
        }
    }
    const double blockedBeforeShutdown = probe.GetLongestBlocked();
    shutdown.Time([&] { window->close(); });
    EXPECT_EQ(window->GetModel().GetFlow().GetReceiver(), nullptr);
    RunEventLoop(20); // the probe's next firing takes in the time closing held

    const QString report = QString::asprintf("UI stall over 100 zaps: longest %.1f ms, of which blocked at most %.1f "
                                             "ms (%.1f ms before the shutdown); zap calls: mean %.1f ms, "
                                             "longest %.1f ms; longest component tick %.1f ms, multiplex open %.1f ms, "
                                             "close %.1f ms, shutdown %.1f ms",
        probe.GetLongestStall(), probe.GetLongestBlocked(), blockedBeforeShutdown, zaps.GetMean(), zaps.longest,
        ticks.longest, opens.longest, closes.longest, shutdown.longest);
    std::printf("%s\n", qPrintable(report));
    const auto record
        = [](const char* key, double ms) { RecordProperty(key, QString::number(ms, 'f', 1).toStdString()); };
    record("LongestStallMs", probe.GetLongestStall());
    record("LongestBlockedMs", probe.GetLongestBlocked());
    record("LongestBlockedBeforeShutdownMs", blockedBeforeShutdown);
    record("MeanZapMs", zaps.GetMean());
    record("LongestZapMs", zaps.longest);
    record("LongestComponentTickMs", ticks.longest);
    record("LongestMultiplexOpenMs", opens.longest);
    record("MultiplexCloseMs", closes.longest);
    record("ShutdownMs", shutdown.longest);
}

// The volume follows the slider, the mute button, the keys of the main
// window and those sent from the video window, leaves the keys typed into a
// text field alone, and is there again at the next start.
TEST_F(MainDialogTest, VolumeAndMuteFollowKeysSliderAndVideoWindowAndAreKept)
{
    QSettings("Hollowmere", "Korrix").setValue("Sound/Volume", 60);
    {
        std::unique_ptr<CKRXApp> app = StartApp();
        CKRXMainDialog* window = app->GetMainDialog();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        EXPECT_EQ(window->GetVolumeSlider()->value(), 60);
        EXPECT_EQ(CKRXVolume::GetLevel(), 60);

        window->GetServiceList()->setFocus();
        QTest::keyClick(window->GetServiceList(), Qt::Key_Minus);
        QTest::keyClick(window->GetServiceList(), Qt::Key_Minus);
        EXPECT_EQ(CKRXVolume::GetLevel(), 50);
        EXPECT_EQ(window->GetVolumeSlider()->value(), 50);
        QTest::keyClick(window->GetServiceList(), Qt::Key_M);
        EXPECT_TRUE(CKRXVolume::IsMuted());
        EXPECT_TRUE(window->GetMuteButton()->isChecked());
        EXPECT_EQ(CKRXVolume::GetGain(), 0u);

        // Typed into the record path, the keys are text.
        QLineEdit* path = window->GetRecordPathEdit();
        path->clear();
        path->setFocus();
        QTest::keyClicks(path, "m-+");
        EXPECT_EQ(path->text(), "m-+");
        EXPECT_TRUE(CKRXVolume::IsMuted());
        EXPECT_EQ(CKRXVolume::GetLevel(), 50);

        // From the video window's thread: queued to the window's.
        std::thread([] { CKRXViewerCommands::Send(CKRXViewerCommands::VolumeUp); }).join();
        EXPECT_TRUE(QTest::qWaitFor([] { return CKRXVolume::GetLevel() == 55; }, Patience));
        EXPECT_FALSE(window->GetMuteButton()->isChecked()) << "a step unmutes";
        window->GetMuteButton()->click();
        EXPECT_TRUE(CKRXVolume::IsMuted());
        window->GetVolumeSlider()->setValue(30);
        EXPECT_EQ(CKRXVolume::GetLevel(), 30);
        window->close();
    }
    CKRXVolume::SetLevel(CKRXVolume::kMaximum);
    CKRXVolume::SetMuted(false);
    std::unique_ptr<CKRXApp> again = StartApp();
    EXPECT_EQ(again->GetMainDialog()->GetVolumeSlider()->value(), 30);
    EXPECT_TRUE(again->GetMainDialog()->GetMuteButton()->isChecked());
    EXPECT_EQ(CKRXVolume::GetGain(), 0u);
    again->GetMainDialog()->GetMuteButton()->click();
    EXPECT_EQ(CKRXVolume::GetGain(), CKRXVolume::GainOf(30));
}

// The video window's keys and close box, as its thread sends them.
TEST_F(MainDialogTest, TheVideoWindowZapsInListOrderAndItsCloseBoxUnticksTheVideo)
{
    std::unique_ptr<CKRXApp> app = StartApp({ "File", "Korrix Demo", "Korrix One", "" });
    CKRXMainDialog* window = app->GetMainDialog();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->windowTitle() == "Korrix [Korrix One]"; }, Patience));
    QTreeWidget* services = window->GetServiceList();
    ASSERT_TRUE(QTest::qWaitFor([&] { return services->topLevelItemCount() == 3; }, Patience));
    const auto send = [](CKRXViewerCommands::Command command) {
        std::thread([command] { CKRXViewerCommands::Send(command); }).join();
    };
    const auto title = [&](const QString& name) {
        return QTest::qWaitFor([&] { return window->windowTitle() == "Korrix [" + name + "]"; }, Patience);
    };
    const QString second = services->topLevelItem(1)->text(1);
    const QString last = services->topLevelItem(2)->text(1);
    ASSERT_EQ(services->topLevelItem(0)->text(1), "Korrix One");
    send(CKRXViewerCommands::NextService);
    EXPECT_TRUE(title(second));
    send(CKRXViewerCommands::PreviousService);
    send(CKRXViewerCommands::PreviousService);
    EXPECT_TRUE(title(last)) << "round from the first to the last";

    Click(services, FindRow(services, "Korrix One"));
    QTreeWidget* components = window->GetComponentList();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->GetModel().GetFlow().GetDisplay() != nullptr; }, Patience));
    ASSERT_EQ(components->topLevelItem(0)->text(0), "video");
    ASSERT_EQ(components->topLevelItem(0)->checkState(0), Qt::Checked);
    send(CKRXViewerCommands::CloseVideo);
    EXPECT_TRUE(QTest::qWaitFor([&] { return components->topLevelItem(0)->checkState(0) == Qt::Unchecked; }, Patience));
    EXPECT_EQ(window->GetModel().GetFlow().GetDisplay(), nullptr);
    EXPECT_EQ(components->topLevelItem(1)->checkState(0), Qt::Checked) << "the sound plays on";

    Click(services, FindRow(services, "Korrix Two"));
    EXPECT_NE(window->GetModel().GetFlow().GetDisplay(), nullptr) << "shown again for the next service";
}

// Ticking "Record to file" again never replaces the last recording: the name
// carries the date and time (numbered within one second), or, with that
// setting off, the user is asked first. The window shows how far it has come.
TEST_F(MainDialogTest, ARecordingNeverReplacesAnotherUnasked)
{
    std::unique_ptr<CKRXApp> app = StartApp({ "File", "Korrix Demo", "", "" });
    CKRXMainDialog* window = app->GetMainDialog();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->GetModel().GetFlow().GetReceiver() != nullptr; }, Patience));
    window->GetRecordPathEdit()->setText(QString::fromStdString(folder.File("news.ts")));
    for (int take = 0; take < 2; ++take) {
        window->GetRecordBox()->click();
        ASSERT_TRUE(window->GetRecordBox()->isChecked());
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                return window->GetRecordProgress()->text().contains(QRegularExpression("^0:00:0\\d, \\d+\\.\\d MB$"));
            },
            Patience))
            << window->GetRecordProgress()->text().toStdString();
        window->GetRecordBox()->click();
        EXPECT_TRUE(QTest::qWaitFor([&] { return window->GetRecordProgress()->text().isEmpty(); }, Patience));
    }
    const std::vector<CString> takes = FilesStarting(folder.Path(), "news");
    ASSERT_EQ(takes.size(), 2u);
    EXPECT_THAT(takes[0],
        ::testing::MatchesRegex(".*/news [0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}-[0-9]{2}-[0-9]{2}( \\(2\\))?\\.ts"));

    QSettings("Hollowmere", "Korrix").setValue("General/Record With Date", false);
    const CString kept = folder.Write("kept.ts", "an earlier recording");
    window->GetRecordPathEdit()->setText(QString::fromStdString(kept));
    SetMessageBoxHandler([this](const CString& text, const CString&, unsigned) {
        boxes.push_back(text);
        return int(KRX_IDNO);
    });
    window->GetRecordBox()->click();
    EXPECT_FALSE(window->GetRecordBox()->isChecked());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_THAT(boxes[0], ::testing::HasSubstr("already exists"));
    EXPECT_EQ(folder.Read("kept.ts"), "an earlier recording");
    QSettings("Hollowmere", "Korrix").remove("General/Record With Date");
}

// A status longer than the window is cut short, not given more room.
TEST_F(MainDialogTest, ALongStatusNeverWidensTheWindow)
{
    std::unique_ptr<CKRXApp> app = StartApp();
    CKRXMainDialog* window = app->GetMainDialog();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    const int width = window->width();
    const int minimum = window->minimumSizeHint().width();
    window->GetStatusText()->setText(QString("No data is being received. ").repeated(20));
    QTest::qWait(50);
    EXPECT_EQ(window->width(), width);
    EXPECT_EQ(window->minimumSizeHint().width(), minimum);
}

TEST_F(MainDialogTest, TheWindowOpensWhereAndAsLargeAsItWasLeft)
{
    {
        std::unique_ptr<CKRXApp> app = StartApp();
        CKRXMainDialog* window = app->GetMainDialog();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        window->setGeometry(QRect(130, 90, 900, 610));
        QTest::qWait(20);
        window->close();
    }
    std::unique_ptr<CKRXApp> again = StartApp();
    EXPECT_EQ(again->GetMainDialog()->geometry(), QRect(130, 90, 900, 610));
}

// "a" on the main window, as on the video window, changes the soundtrack.
TEST_F(MainDialogTest, TheAKeyChangesTheSoundtrack)
{
    std::unique_ptr<CKRXApp> app = StartApp({ "File", "Korrix Demo", "Korrix One", "" });
    CKRXMainDialog* window = app->GetMainDialog();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTreeWidget* components = window->GetComponentList();
    ASSERT_TRUE(QTest::qWaitFor([&] { return components->topLevelItemCount() == 3; }, Patience));
    const auto tickedSound = [&] {
        for (int row = 0; row < components->topLevelItemCount(); ++row)
            if (components->topLevelItem(row)->text(0).startsWith("audio")
                && components->topLevelItem(row)->checkState(0) == Qt::Checked)
                return row;
        return -1;
    };
    const int first = tickedSound();
    ASSERT_GE(first, 0);
    window->GetServiceList()->setFocus();
    QTest::keyClick(window->GetServiceList(), Qt::Key_A);
    const int second = tickedSound();
    EXPECT_GE(second, 0);
    EXPECT_NE(second, first);
    QTest::keyClick(window->GetServiceList(), Qt::Key_A);
    EXPECT_EQ(tickedSound(), first);
}

TEST_F(MainDialogTest, TheGuideOpensOnTheWeekAndSelectsItsServicesInTheMultiplexTheyCameFrom)
{
    std::unique_ptr<CKRXApp> app = StartApp({ "File", "Korrix Demo", "1" });
    CKRXMainDialog* window = app->GetMainDialog();
    CKRXMainDialogModel& model = window->GetModel();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return model.GetTransportStreamId() && model.GetFlow().IsServiceSelected(); }, Patience));
    const unsigned short demo = *model.GetTransportStreamId();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model.GetSICollector().GetGuide().empty(); }, Patience));

    QTest::mouseClick(window->GetGridButton(), Qt::LeftButton);
    CKRXGuideGridWindow* grid = app->GetGridWindow();
    ASSERT_NE(grid, nullptr);
    EXPECT_TRUE(grid->isVisible());
    const auto highlighted = [&] {
        const int row = grid->GetGrid().GetCurrentRow();
        return row < 0 ? -1 : int(grid->GetGrid().GetService(row).serviceId);
    };
    EXPECT_EQ(highlighted(), 1);
    // A zap in the main window moves the highlight.
    QTreeWidgetItem* second = window->GetServiceList()->FindProgram(2);
    ASSERT_NE(second, nullptr);
    window->GetServiceList()->setCurrentItem(second);
    EXPECT_EQ(model.GetFlow().GetProgramNumber(), 2);
    EXPECT_EQ(highlighted(), 2);

    // A stream never received here cannot be chosen; the open multiplex stays
    // open (reopened, it would not know its stream until its PAT came again).
    EXPECT_FALSE(window->SelectGuideService(demo + 1, 3));
    ASSERT_TRUE(window->SelectGuideService(demo, 3));
    EXPECT_EQ(model.GetTransportStreamId(), demo);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->windowTitle() == "Korrix [Korrix Radio]"; }, Patience));

    QTest::mouseClick(window->GetGridButton(), Qt::LeftButton);
    EXPECT_FALSE(grid->isVisible());
}

// The network's channel numbers order the list and pick a service by digits
// and Return, on the main window (but not in a text field) and on the video
// window; hidden services show only when asked, and that is kept.
TEST_F(MainDialogTest, ChannelNumbersOrderTheListAndDigitsGoToThem)
{
    const CString stream = folder.Write("numbered.ts", NumberedServices());
    std::ofstream(QCoreApplication::applicationDirPath().toStdString() + "/File Multiplexes.txt")
        << "Numbered, " << stream << "\n";
    QSettings("Hollowmere", "Korrix").remove("View/Show Hidden Services");
    std::unique_ptr<CKRXApp> app = StartApp({ "File", "Numbered", "", "" });
    CKRXMainDialog* window = app->GetMainDialog();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTreeWidget* services = window->GetServiceList();
    EXPECT_EQ(services->headerItem()->text(0), "#");
    const QStringList listed { "2 Beta", "5 Zeta", "alpha", "Gamma" };
    EXPECT_TRUE(QTest::qWaitFor([&] { return ShownServices(services) == listed; }, Patience))
        << ShownServices(services).join(", ").toStdString();
    const auto title = [&](const QString& name) {
        return QTest::qWaitFor([&] { return window->windowTitle() == "Korrix [" + name + "]"; }, Patience);
    };

    services->setFocus();
    QTest::keyClicks(services, "5");
    QTest::keyClick(services, Qt::Key_Return);
    EXPECT_TRUE(title("Zeta"));
    window->GetRecordPathEdit()->setFocus();
    window->GetRecordPathEdit()->clear();
    QTest::keyClicks(window->GetRecordPathEdit(), "2");
    QTest::keyClick(window->GetRecordPathEdit(), Qt::Key_Return);
    EXPECT_EQ(window->GetRecordPathEdit()->text(), "2") << "a text field keeps its digits";
    EXPECT_EQ(window->windowTitle(), "Korrix [Zeta]");

    std::thread([] {
        CKRXViewerCommands::Send(CKRXViewerCommands::Command(CKRXViewerCommands::Digit0 + 2));
        CKRXViewerCommands::Send(CKRXViewerCommands::Enter);
    }).join();
    EXPECT_TRUE(title("Beta")) << "as typed on the video window";
    std::thread([] { CKRXViewerCommands::Send(CKRXViewerCommands::NextService); }).join();
    EXPECT_TRUE(title("Zeta")) << "the next service shown, past the hidden one";

    QAction* showHidden = nullptr;
    for (QAction* action : window->findChildren<QAction*>())
        if (action->text() == "Show &Hidden Services")
            showHidden = action;
    ASSERT_NE(showHidden, nullptr);
    showHidden->trigger();
    EXPECT_EQ(ShownServices(services), (QStringList { "2 Beta", "3 Shop", "5 Zeta", "alpha", "Gamma" }));
    EXPECT_TRUE(QSettings("Hollowmere", "Korrix").value("View/Show Hidden Services").toBool());
    showHidden->trigger();
}

// Every zap shows the on-screen panel with the service and what is on; "i"
// on either window takes it away and brings it back.
TEST_F(MainDialogTest, AZapShowsTheOnScreenPanelAndTheIKeyTogglesIt)
{
    std::unique_ptr<CKRXApp> app = StartApp({ "File", "Korrix Demo", "Korrix One", "" });
    CKRXMainDialog* window = app->GetMainDialog();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    CKRXInfoPanel& panel = window->GetModel().GetFlow().GetInfoPanel();
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel.GetLines().heading == "1  Korrix One"; }, Patience));
    EXPECT_TRUE(QTest::qWaitFor([&] { return panel.GetLines().now.ends_with("Test Card"); }, Patience))
        << panel.GetLines().now;
    EXPECT_TRUE(panel.IsShown());
    EXPECT_GE(panel.GetLines().progress, 0);

    window->GetServiceList()->setFocus();
    QTest::keyClick(window->GetServiceList(), Qt::Key_I);
    EXPECT_FALSE(panel.IsShown());
    std::thread([] { CKRXViewerCommands::Send(CKRXViewerCommands::ToggleInfo); }).join();
    EXPECT_TRUE(QTest::qWaitFor([&] { return panel.IsShown(); }, Patience)) << "from the video window";

    QTreeWidget* services = window->GetServiceList();
    Click(services, FindRow(services, "Korrix Two"));
    EXPECT_EQ(panel.GetLines().heading, "2  Korrix Two");
    EXPECT_TRUE(panel.IsShown());

    // A radio service has no picture: its panel stays on the blank window.
    Click(services, FindRow(services, "Korrix Radio"));
    EXPECT_EQ(panel.GetLines().heading, "30  Korrix Radio");
    const int64_t until = GetMonotonicNanoseconds() / 1000000 + 2 * CKRXInfoPanel::ShowMs;
    window->GetModel().TickInfo();
    panel.OnTick(until);
    EXPECT_TRUE(panel.IsShown());
}

namespace {
// Right-clicks the row (of the services, else of the list given) and finds
// the item of that text in the menu that opens.
QAction* ServiceMenuItem(CKRXMainDialog* window, QTreeWidgetItem* row, const QString& text, QTreeWidget* list = nullptr)
{
    QTreeWidget* services = list != nullptr ? list : window->GetServiceList();
    const QPoint at = services->visualItemRect(row).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, services->viewport()->mapToGlobal(at));
    QApplication::sendEvent(services->viewport(), &event);
    QAction* found = nullptr;
    for (QAction* action : window->GetServiceMenu()->actions())
        if (action->text() == text)
            found = action;
    window->GetServiceMenu()->hide();
    return found;
}

CString ReadFavouritesFile()
{
    std::ifstream file(CKRXFavouriteStore::ForUser().GetPath());
    return CString(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

QStringList ListedTexts(QTreeWidget* list)
{
    QStringList texts;
    for (int row = 0; row < list->topLevelItemCount(); ++row)
        texts << list->topLevelItem(row)->text(0);
    return texts;
}
} // namespace

// Services of two multiplexes are marked with "*" (on either window) and from
// the service list's menu; the favourites list spans both, a click on one
// opens its multiplex and watches it, and the user's data folder keeps them.
TEST_F(MainDialogTest, FavouritesSpanMultiplexesAndAClickWatchesOne)
{
    const CString numbered = folder.Write("numbered.ts", NumberedServices());
    std::ofstream(QCoreApplication::applicationDirPath().toStdString() + "/File Multiplexes.txt")
        << "Korrix Demo, " KRX_PROGRAM_FOLDER "demo/demo.ts\nNumbered, " << numbered << "\n";
    std::remove(CKRXFavouriteStore::ForUser().GetPath().c_str()); // from an earlier run in this process
    std::unique_ptr<CKRXApp> app = StartApp({ "File", "Korrix Demo", "Korrix One", "" });
    CKRXMainDialog* window = app->GetMainDialog();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    const auto title = [&](const QString& name) {
        return QTest::qWaitFor([&] { return window->windowTitle() == "Korrix [" + name + "]"; }, Patience);
    };
    ASSERT_TRUE(title("Korrix One"));
    QTreeWidget* favourites = window->GetFavouriteList();
    QTreeWidget* services = window->GetServiceList();
    services->setFocus();
    QTest::keyClick(services, '*');
    EXPECT_EQ(ListedTexts(favourites), QStringList { "Korrix One" });
    EXPECT_TRUE(FindRow(services, "Korrix One")->font(1).bold()) << "marked in the list";
    EXPECT_FALSE(FindRow(services, "Korrix Two")->font(1).bold());
    window->GetRecordPathEdit()->setFocus();
    QTest::keyClick(window->GetRecordPathEdit(), '*');
    EXPECT_TRUE(window->GetRecordPathEdit()->text().endsWith("*")) << "a text field keeps its stars";
    EXPECT_EQ(ListedTexts(favourites), QStringList { "Korrix One" });

    Click(window->GetMultiplexList(), FindRow(window->GetMultiplexList(), "Numbered"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return FindRow(services, "Zeta") != nullptr; }, Patience));
    QAction* mark = ServiceMenuItem(window, FindRow(services, "Beta"), "Add to &Favourites");
    ASSERT_NE(mark, nullptr);
    mark->trigger();
    EXPECT_EQ(ServiceMenuItem(window, FindRow(services, "Beta"), "Add to &Favourites"), nullptr);
    ServiceMenuItem(window, FindRow(services, "Zeta"), "&Play")->trigger();
    ASSERT_TRUE(title("Zeta"));
    const auto sendStar
        = [] { std::thread([] { CKRXViewerCommands::Send(CKRXViewerCommands::ToggleFavourite); }).join(); };
    sendStar();
    EXPECT_TRUE(QTest::qWaitFor([&] { return favourites->topLevelItemCount() == 3; }, Patience));
    EXPECT_EQ(ListedTexts(favourites), (QStringList { "Korrix One", "Beta", "Zeta" }));
    sendStar();
    EXPECT_TRUE(QTest::qWaitFor([&] { return favourites->topLevelItemCount() == 2; }, Patience))
        << "a second star takes it away";

    Click(favourites, favourites->topLevelItem(0));
    EXPECT_TRUE(title("Korrix One"));
    EXPECT_EQ(window->GetMultiplexList()->selectedItems().first()->text(0), "Korrix Demo");
    Click(favourites, favourites->topLevelItem(1));
    EXPECT_TRUE(title("Beta"));
    EXPECT_EQ(ReadFavouritesFile(),
        "input=File\tmultiplex=Korrix Demo\tsid=1\tname=Korrix One\n"
        "input=File\tmultiplex=Numbered\tsid=3\tname=Beta\n");
    // Taken away from among the favourites, while another multiplex is open.
    Click(window->GetMultiplexList(), FindRow(window->GetMultiplexList(), "Korrix Demo"));
    QAction* remove = ServiceMenuItem(window, favourites->topLevelItem(1), "Remove from &Favourites", favourites);
    ASSERT_NE(remove, nullptr);
    remove->trigger();
    EXPECT_EQ(ListedTexts(favourites), QStringList { "Korrix One" });
    ASSERT_TRUE(QTest::qWaitFor([&] { return FindRow(services, "Korrix Radio") != nullptr; }, Patience));
    EXPECT_TRUE(FindRow(services, "Korrix One")->font(1).bold()) << "marked as its row comes";
    ServiceMenuItem(window, favourites->topLevelItem(0), "&Play", favourites)->trigger();
    EXPECT_TRUE(title("Korrix One"));
    // The favourite watched already plays on: no zap brings its panel back.
    CKRXInfoPanel& panel = window->GetModel().GetFlow().GetInfoPanel();
    ASSERT_TRUE(panel.IsShown());
    window->GetModel().ToggleInfo();
    Click(favourites, favourites->topLevelItem(0));
    EXPECT_FALSE(panel.IsShown());
    EXPECT_EQ(ReadFavouritesFile(), "input=File\tmultiplex=Korrix Demo\tsid=1\tname=Korrix One\n");
}

// "Record This Service" on a service not watched watches it and records it
// alone, as ticking "This service only" and "Record to file" would.
TEST_F(MainDialogTest, TheServiceMenuRecordsTheServiceClickedAlone)
{
    std::unique_ptr<CKRXApp> app = StartApp({ "File", "Korrix Demo", "Korrix One", "" });
    CKRXMainDialog* window = app->GetMainDialog();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->windowTitle() == "Korrix [Korrix One]"; }, Patience));
    QTreeWidget* services = window->GetServiceList();
    ASSERT_TRUE(QTest::qWaitFor([&] { return FindRow(services, "Korrix Two") != nullptr; }, Patience));
    window->GetRecordPathEdit()->setText(QString::fromStdString(folder.File("two.ts")));
    QAction* record = ServiceMenuItem(window, FindRow(services, "Korrix Two"), "&Record This Service");
    ASSERT_NE(record, nullptr);
    record->trigger();
    EXPECT_EQ(window->windowTitle(), "Korrix [Korrix Two]");
    EXPECT_TRUE(window->GetRecordBox()->isChecked());
    ASSERT_TRUE(window->GetModel().IsRecording());
    QCheckBox* alone = nullptr;
    for (QCheckBox* box : window->findChildren<QCheckBox*>())
        if (box->text() == "This service only")
            alone = box;
    ASSERT_NE(alone, nullptr);
    EXPECT_TRUE(alone->isChecked());
    EXPECT_FALSE(ServiceMenuItem(window, FindRow(services, "Korrix One"), "&Record This Service")->isEnabled())
        << "one recording at a time";
    window->GetRecordBox()->click();
    EXPECT_EQ(FilesStarting(folder.Path(), "two").size(), 1u);
}

// "f" and Escape on the main window ask the video window for full screen and
// out of it, as on the video window; a text field keeps its "f".
TEST_F(MainDialogTest, FAndEscapeOnTheMainWindowWorkTheVideoWindowsFullScreen)
{
    std::unique_ptr<CKRXApp> app = StartApp();
    CKRXMainDialog* window = app->GetMainDialog();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    CKRXVideoOutput::TakeFullScreenRequest();
    window->GetServiceList()->setFocus();
    QTest::keyClick(window->GetServiceList(), Qt::Key_F);
    EXPECT_EQ(CKRXVideoOutput::TakeFullScreenRequest(), CKRXVideoOutput::ToggleFullScreen);
    QTest::keyClick(window->GetServiceList(), Qt::Key_Escape);
    EXPECT_EQ(CKRXVideoOutput::TakeFullScreenRequest(), CKRXVideoOutput::LeaveFullScreen);
    window->GetRecordPathEdit()->setFocus();
    window->GetRecordPathEdit()->clear();
    QTest::keyClick(window->GetRecordPathEdit(), Qt::Key_F);
    EXPECT_EQ(window->GetRecordPathEdit()->text(), "f");
    EXPECT_EQ(CKRXVideoOutput::TakeFullScreenRequest(), CKRXVideoOutput::NoRequest);
}

// Started straight into a radio service, the program shows the video window
// with the service's panel on it, as when the user zaps to it.
TEST_F(MainDialogTest, ARadioServiceStartedDirectlyShowsItsPanelOnTheVideoWindow)
{
    std::unique_ptr<CKRXApp> app = StartApp({ "File", "Korrix Demo", "Korrix Radio", "" });
    CKRXMainDialog* window = app->GetMainDialog();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->windowTitle() == "Korrix [Korrix Radio]"; }, Patience));
    CKRXViewingFlow& flow = window->GetModel().GetFlow();
    EXPECT_NE(flow.GetDisplay(), nullptr);
    EXPECT_TRUE(flow.GetInfoPanel().IsShown());
    EXPECT_EQ(flow.GetInfoPanel().GetLines().heading, "30  Korrix Radio");
}
