#include "KRXMessageBoxes.h"

#include "platform/MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

// A box asked for on another thread shows on the user-interface thread, which
// goes on handling events (here a timer that answers the box) while the
// asking thread waits for the answer.
TEST(MessageBoxes, AskFromAnotherThreadAndWaitThereForTheAnswer)
{
    InstallQtMessageBoxes();
    QString shownText, shownCaption;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shownText = box->text();
            shownCaption = box->windowTitle();
            box->button(QMessageBox::No)->click();
        }
    });
    user.start(10);
    std::atomic<int> answer { 0 };
    std::thread asking([&] { answer = KRXMessageBox("Stop now?", "Korrix", KRX_MB_YESNO | KRX_MB_ICONQUESTION); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return answer != 0; }, 20000));
    asking.join();
    EXPECT_EQ(answer, KRX_IDNO);
    EXPECT_EQ(shownText, "Stop now?");
    EXPECT_EQ(shownCaption, "Korrix");
    SetMessageBoxHandler(nullptr);
}
