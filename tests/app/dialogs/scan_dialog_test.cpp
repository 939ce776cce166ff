#include "DialogDriver.h"

#include "KRXQtMultiplexDialogs.h"
#include "KRXScanDialog.h"

#include "plugin/KRXScanJob.h"

#include <QLabel>
#include <QProgressBar>
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
} // namespace
