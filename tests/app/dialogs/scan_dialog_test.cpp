#include "DialogDriver.h"

#include "KRXQtMultiplexDialogs.h"
#include "KRXScanDialog.h"
#include "KRXScanStartDialog.h"

#include "plugin/KRXScanJob.h"
#include "plugin/KRXScanStart.h"

#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>

using namespace dialogs_test;

namespace {
// Finds something on every second of its ten steps.
class CScriptedScanJob : public CKRXScanJob
{
public:
    unsigned GetTickMilliseconds() const override { return 1; }
    void Tick() override { ++ticks; }
    bool IsDone() const override { return ticks >= 10; }
    CString GetStatusText() const override { return IsDone() ? "Done" : FormatString("Step %d...\n", ticks); }
    int GetProgressRange() const override { return 10; }
    int GetProgressPosition() const override { return ticks; }
    std::vector<CString> GetColumnNames() const override { return { "Index", "Channel", "Frequency" }; }
    std::vector<std::vector<CString>> GetFoundRows() const override
    {
        std::vector<std::vector<CString>> rows;
        for (int i = 1; i <= std::min(ticks, 10) / 2; ++i)
            rows.push_back({ FormatString("%d", i), FormatString("%02d ", 20 + i), "0" });
        return rows;
    }
    void Commit() override { ++commits; }

    int ticks = 0;
    int commits = 0;
};

TEST(ScanDialog, ShowsTheScanAsItGoesAndOKCommitsWhatItFound)
{
    CKRXQtMultiplexDialogs dialogs(nullptr);
    CScriptedScanJob job;
    QString status;
    int rows = 0, progress = 0, ticksWhenDone = 0;
    WhenShown<CKRXScanDialog>([&](CKRXScanDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "Scan for Channels...");
        EXPECT_TRUE(QTest::qWaitFor([&] { return job.IsDone(); }, PatienceMs));
        ticksWhenDone = job.ticks;
        QTest::qWait(20);
        status = dialog->findChild<QLabel*>("status")->text();
        rows = dialog->findChild<QTreeWidget*>("found")->topLevelItemCount();
        progress = dialog->findChild<QProgressBar*>()->value();
        SaveScreenshot(dialog, "scan-for-channels");
        QTest::mouseClick(StandardButton(dialog, QDialogButtonBox::Ok), Qt::LeftButton);
    });
    EXPECT_TRUE(dialogs.RunScan(nullptr, job));
    EXPECT_EQ(job.ticks, ticksWhenDone) << "a finished scan is not ticked again";
    EXPECT_EQ(status, "Done");
    EXPECT_EQ(rows, 5);
    EXPECT_EQ(progress, 10);
    EXPECT_EQ(job.commits, 1);
}

TEST(ScanDialog, CancelStopsTheScanAndKeepsNothing)
{
    CKRXQtMultiplexDialogs dialogs(nullptr);
    CScriptedScanJob job;
    WhenShown<CKRXScanDialog>([&](CKRXScanDialog* dialog) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return job.ticks >= 3; }, PatienceMs));
        QTest::mouseClick(StandardButton(dialog, QDialogButtonBox::Cancel), Qt::LeftButton);
    });
    EXPECT_FALSE(dialogs.RunScan(nullptr, job));
    const int ticksAtCancel = job.ticks;
    QTest::qWait(20);
    EXPECT_EQ(job.ticks, ticksAtCancel);
    EXPECT_FALSE(job.IsDone());
    EXPECT_EQ(job.commits, 0);
}

// Where a scan starts: OK waits for the region file and, for SAT>IP, the
// server; only the fields the input asks for are shown.
TEST(ScanStartDialog, AsksOnlyWhatTheInputNeedsAndOKWaitsForIt)
{
    CKRXQtMultiplexDialogs dialogs(nullptr);
    SKRXScanStart satip;
    satip.asksServer = true;
    WhenShown<CKRXScanStartDialog>([&](CKRXScanStartDialog* dialog) {
        EXPECT_EQ(dialog->findChild<QComboBox*>("port"), nullptr);
        QPushButton* ok = StandardButton(dialog, QDialogButtonBox::Ok);
        EXPECT_FALSE(ok->isEnabled());
        QTest::keyClicks(dialog->findChild<QLineEdit*>("file"), "/usr/share/dvb/dvb-s/Astra-19.2E");
        EXPECT_FALSE(ok->isEnabled()) << "no server yet";
        QTest::keyClicks(dialog->findChild<QLineEdit*>("server"), " 10.0.0.3:554 ");
        dialog->findChild<QSpinBox*>("source")->setValue(2);
        EXPECT_TRUE(ok->isEnabled());
        SaveScreenshot(dialog, "scan-start");
        QTest::mouseClick(ok, Qt::LeftButton);
    });
    ASSERT_TRUE(dialogs.AskScanStart(nullptr, satip));
    EXPECT_EQ(satip.initialFile, "/usr/share/dvb/dvb-s/Astra-19.2E");
    EXPECT_EQ(satip.server, "10.0.0.3:554");
    EXPECT_EQ(satip.source, 2);

    SKRXScanStart dish;
    dish.asksSwitchPort = true;
    WhenShown<CKRXScanStartDialog>([&](CKRXScanStartDialog* dialog) {
        EXPECT_EQ(dialog->findChild<QLineEdit*>("server"), nullptr);
        QTest::keyClicks(dialog->findChild<QLineEdit*>("file"), "/usr/share/dvb/dvb-s/Hotbird-13.0E");
        dialog->findChild<QComboBox*>("port")->setCurrentText("C");
        QTest::mouseClick(StandardButton(dialog, QDialogButtonBox::Ok), Qt::LeftButton);
    });
    ASSERT_TRUE(dialogs.AskScanStart(nullptr, dish));
    EXPECT_EQ(dish.switchPort, 2);

    WhenShown<CKRXScanStartDialog>([&](CKRXScanStartDialog* dialog) {
        QTest::mouseClick(StandardButton(dialog, QDialogButtonBox::Cancel), Qt::LeftButton);
    });
    SKRXScanStart cancelled;
    EXPECT_FALSE(dialogs.AskScanStart(nullptr, cancelled));
}
} // namespace
