#include "KRXMessageBoxes.h"

#include "platform/Event.h"
#include "platform/MessageBox.h"
#include "platform/Thread.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <tuple>
#include <vector>

namespace {
// Shows a box of this type on this thread and clicks the given button as soon
// as the box is up (or closes it if there is no such button); returns the answer
// and the buttons that were shown.
std::pair<int, QMessageBox::StandardButtons> AnswerClicking(unsigned type, QMessageBox::StandardButton click)
{
    QMessageBox::StandardButtons shown;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr)
            return;
        user.stop();
        shown = box->standardButtons();
        if (QAbstractButton* button = box->button(click))
            button->click();
        else
            box->done(0);
    });
    user.start(10);
    const int answer = ShowQtMessageBox("Which?", "Korrix", type | KRX_MB_ICONQUESTION);
    return { answer, shown };
}

// Stops a thread that asks for a box of this type, without handling a single
// event meanwhile, as the user-interface thread does when it closes the
// display; then handles the events. Returns the asker's answer and the text of
// any box shown afterwards.
std::pair<int, QString> AskWhileBeingStopped(unsigned type)
{
    InstallQtMessageBoxes();
    CEvent asking(true, false);
    std::atomic<int> answer { 0 };
    CThread asker("asker");
    asker.Start([&] {
        asking.Set();
        answer = KRXMessageBox("Go on?", "Korrix", type);
    });
    asking.Wait(KRX_INFINITE);
    asker.StopWithin(KRX_INFINITE);

    QString shown;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = box->text();
            box->buttons().first()->click();
        }
    });
    user.start(10);
    QCoreApplication::processEvents();
    SetMessageBoxHandler(nullptr);
    return { answer, shown };
}
} // namespace

// Every kind of box shows its own buttons, and each button gives its own answer.
TEST(MessageBoxes, EachButtonOfEachKindGivesItsAnswer)
{
    using B = QMessageBox;
    const std::vector<std::tuple<unsigned, QMessageBox::StandardButtons, B::StandardButton, int>> cases {
        { KRX_MB_OK, B::Ok, B::Ok, KRX_IDOK },
        { KRX_MB_OKCANCEL, B::Ok | B::Cancel, B::Ok, KRX_IDOK },
        { KRX_MB_OKCANCEL, B::Ok | B::Cancel, B::Cancel, KRX_IDCANCEL },
        { KRX_MB_YESNO, B::Yes | B::No, B::Yes, KRX_IDYES },
        { KRX_MB_YESNO, B::Yes | B::No, B::No, KRX_IDNO },
        { KRX_MB_YESNOCANCEL, B::Yes | B::No | B::Cancel, B::Yes, KRX_IDYES },
        { KRX_MB_YESNOCANCEL, B::Yes | B::No | B::Cancel, B::No, KRX_IDNO },
        { KRX_MB_YESNOCANCEL, B::Yes | B::No | B::Cancel, B::Cancel, KRX_IDCANCEL },
    };
    for (const auto& [type, buttons, click, answer] : cases) {
        SCOPED_TRACE(testing::Message() << "type " << type << ", clicking " << click);
        const auto [given, shown] = AnswerClicking(type, click);
        EXPECT_EQ(shown, buttons);
        EXPECT_EQ(given, answer);
    }
}

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

// A thread that asks while the user-interface thread is stopping it would
// wait for a thread that waits for it. It gets the default answer instead; a
// question then goes unasked, while a notice is still shown.
TEST(MessageBoxes, AskingNeverHoldsUpTheStopOfTheAskingThread)
{
    const auto [answer, shown] = AskWhileBeingStopped(KRX_MB_YESNO | KRX_MB_DEFBUTTON2);
    EXPECT_EQ(answer, KRX_IDNO);
    EXPECT_EQ(shown, "");

    const auto [noticeAnswer, noticeShown] = AskWhileBeingStopped(KRX_MB_OK | KRX_MB_ICONERROR);
    EXPECT_EQ(noticeAnswer, KRX_IDOK);
    EXPECT_EQ(noticeShown, "Go on?");
}
