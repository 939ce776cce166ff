// The timers dialog over a timers file of the test's own, and the countdown
// message's Cancel, driven as a user drives them.
#include "KRXTimerCountdownBox.h"
#include "KRXTimersDialog.h"

#include "support/TemporaryFolder.h"
#include "timers/KRXTimer.h"
#include "timers/KRXTimerHandover.h"

#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {
constexpr int64_t T0 = 1'900'000'000;

CKRXTimer Timer(const char* multiplex)
{
    CKRXTimer timer;
    timer.input = "Card";
    timer.multiplex = multiplex;
    timer.serviceName = "One";
    timer.title = "News";
    timer.start = T0;
    timer.stop = T0 + 1800;
    return timer;
}

void Select(QTreeWidget* list, int row)
{
    list->clearSelection();
    list->topLevelItem(row)->setSelected(true);
}

TEST(TimersDialog, ListsStatesEditsAWaitingTimerAndDeletesOne)
{
    TemporaryFolder folder;
    const CKRXTimerStore store(folder.Path());
    CString error;
    ASSERT_TRUE(store.Change(
        [](CKRXTimerList& timers) {
            timers.Add(Timer("Mux 1"));
            CKRXTimer failed = Timer("Mux 1");
            failed.state = EKRXTimerState::Failed;
            failed.reason = "No space left on device";
            timers.Add(failed);
            timers.Add(Timer("Mux 2"));
        },
        error));
    CKRXTimersDialog dialog(store);
    dialog.show();
    QTreeWidget* list = dialog.GetList();
    ASSERT_EQ(list->topLevelItemCount(), 3);
    EXPECT_EQ(list->topLevelItem(1)->text(1).toStdString(), "failed: No space left on device");
    EXPECT_TRUE(list->topLevelItem(2)->text(1).contains("conflict")) << list->topLevelItem(2)->text(1).toStdString();

    // Only a waiting timer is edited; moving timer 3 clear of timer 1 ends its conflict.
    Select(list, 1);
    EXPECT_FALSE(dialog.GetApplyButton()->isEnabled());
    EXPECT_TRUE(dialog.GetDeleteButton()->isEnabled());
    Select(list, 2);
    ASSERT_TRUE(dialog.GetApplyButton()->isEnabled());
    dialog.GetStartEdit()->setDateTime(QDateTime::fromSecsSinceEpoch(T0 + 7200));
    dialog.GetStopEdit()->setDateTime(QDateTime::fromSecsSinceEpoch(T0 + 9000));
    dialog.GetPaddingAfterEdit()->setValue(10);
    dialog.GetPatternEdit()->setText("/srv/Title.ts");
    QTest::mouseClick(dialog.GetApplyButton(), Qt::LeftButton);
    CKRXTimerList saved;
    ASSERT_TRUE(store.Read(saved, error)) << error;
    const CKRXTimer* moved = saved.Find(3);
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(moved->start, T0 + 7200);
    EXPECT_EQ(moved->stop, T0 + 9000);
    EXPECT_EQ(moved->paddingAfter, 600);
    EXPECT_EQ(moved->filePattern, "/srv/Title.ts");
    EXPECT_EQ(moved->conflict, "");
    // A stop before the start is refused, and nothing is saved.
    dialog.GetStopEdit()->setDateTime(QDateTime::fromSecsSinceEpoch(T0));
    QTest::mouseClick(dialog.GetApplyButton(), Qt::LeftButton);
    EXPECT_FALSE(dialog.GetErrorLabel()->text().isEmpty());
    ASSERT_TRUE(store.Read(saved, error));
    EXPECT_EQ(saved.Find(3)->stop, T0 + 9000);

    Select(list, 0);
    QTest::mouseClick(dialog.GetDeleteButton(), Qt::LeftButton);
    ASSERT_TRUE(store.Read(saved, error));
    EXPECT_EQ(saved.Find(1), nullptr);
    EXPECT_EQ(saved.GetTimers().size(), 2u);
    EXPECT_EQ(list->topLevelItemCount(), 2);
}

class Window : public CKRXTimerHandover::CWindow
{
public:
    CKRXTimerHandover::Place GetWatched() override { return { "Card", "Mux 2", "5" }; }
    bool Watch(const CKRXTimerHandover::Place&, CString&) override { return switched = true; }
    bool switched = false;
};

class Recorder : public CKRXTimerRecorder
{
public:
    EStart StartRecording(const CKRXTimer&, const CString&, CString&) override { return EStart::Started; }
    bool StopRecording(const CKRXTimer&, CString&) override { return true; }
    CString CheckRecording(const CKRXTimer&, bool& fatal) override { return fatal = false, ""; }
    unsigned char GetRunningStatus(const CKRXTimer&) override { return 0; }
};

TEST(TimerCountdown, TheMessageCountsDownAndCancelKeepsWhatIsWatched)
{
    Window window;
    Recorder recorder;
    int64_t now = 0;
    CKRXTimerHandover handover(window, recorder, [&now] { return now; });
    CKRXTimerCountdownBox box(handover);
    CKRXTimer timer = Timer("Mux 1");
    timer.id = 4;
    CString error;
    ASSERT_EQ(handover.StartRecording(timer, "f.ts", error), CKRXTimerRecorder::EStart::Later);
    box.Refresh();
    ASSERT_TRUE(box.isVisible());
    EXPECT_TRUE(box.text().contains("Mux 2")) << box.text().toStdString();
    EXPECT_TRUE(box.informativeText().contains("30 s")) << box.informativeText().toStdString();
    now = 12000;
    box.Refresh();
    EXPECT_TRUE(box.informativeText().contains("18 s")) << box.informativeText().toStdString();

    QTest::mouseClick(box.button(QMessageBox::Cancel), Qt::LeftButton);
    EXPECT_FALSE(box.isVisible());
    now = 40000;
    EXPECT_EQ(handover.StartRecording(timer, "f.ts", error), CKRXTimerRecorder::EStart::Failed);
    EXPECT_EQ(error, "cancelled by the user");
    EXPECT_FALSE(window.switched);
    box.Refresh();
    EXPECT_FALSE(box.isVisible());
}
} // namespace
