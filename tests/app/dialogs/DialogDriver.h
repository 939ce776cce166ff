#pragma once
// Drives modal dialogs as a user would: a step runs once the dialog it is
// meant for is the active modal window, from inside that dialog's own loop.
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>

namespace dialogs_test {

constexpr int PatienceMs = 5000;

// Runs the step on the dialog of type T once it is shown, or fails the test
// (and closes whatever is modal, so that the test ends) if none comes.
template <class T> void WhenShown(std::function<void(T*)> step, int waitedMs = 0)
{
    QTimer::singleShot(10, [step = std::move(step), waitedMs] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            step(dialog);
            return;
        }
        if (waitedMs >= PatienceMs) {
            ADD_FAILURE() << "the dialog " << T::staticMetaObject.className() << " never showed";
            if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                modal->reject();
            return;
        }
        WhenShown<T>(std::move(step), waitedMs + 10);
    });
}

// Chooses the file in a file chooser as a user does: once the chooser lists
// it, by typing its path. Accepting before the chooser's file-information
// thread has listed the folder may leave the chooser open; if it stays open
// all the same, the test fails and the chooser is closed.
inline void ChooseFile(QFileDialog* chooser, const QString& path)
{
    auto* list = chooser->findChild<QListView*>("listView");
    const auto listed = [&] {
        const QModelIndex folder = list->rootIndex();
        for (int row = 0; row < list->model()->rowCount(folder); ++row) {
            if (list->model()->index(row, 0, folder).data().toString() == QFileInfo(path).fileName())
                return true;
        }
        return false;
    };
    chooser->setDirectory(QFileInfo(path).absolutePath());
    if (!QTest::qWaitFor(listed, PatienceMs))
        ADD_FAILURE() << "the chooser never listed " << path.toStdString();
    chooser->findChild<QLineEdit*>("fileNameEdit")->setText(path);
    QMetaObject::invokeMethod(chooser, "accept");
    if (chooser->isVisible()) {
        ADD_FAILURE() << "the chooser stayed open after choosing " << path.toStdString();
        chooser->reject();
    }
}

inline QPushButton* Button(QWidget* dialog, const QString& text)
{
    for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
        if (button->text() == text)
            return button;
    }
    return nullptr;
}

inline QPushButton* StandardButton(QWidget* dialog, QDialogButtonBox::StandardButton which)
{
    return dialog->findChild<QDialogButtonBox*>()->button(which);
}

// Leaves a picture of the widget in $KRX_SCREENSHOT_FOLDER, when that is set.
inline void SaveScreenshot(QWidget* widget, const QString& name)
{
    const QString folder = qEnvironmentVariable("KRX_SCREENSHOT_FOLDER");
    if (!folder.isEmpty())
        widget->grab().save(folder + "/" + name + ".png");
}

} // namespace dialogs_test
