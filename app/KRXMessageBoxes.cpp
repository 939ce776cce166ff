#include "KRXMessageBoxes.h"

#include "platform/MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

namespace {
QMessageBox::Icon IconOf(unsigned type)
{
    switch (type & 0xF0) {
    case KRX_MB_ICONERROR:
        return QMessageBox::Critical;
    case KRX_MB_ICONQUESTION:
        return QMessageBox::Question;
    case KRX_MB_ICONWARNING:
        return QMessageBox::Warning;
    case KRX_MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

struct Buttons {
    QMessageBox::StandardButton first;
    QMessageBox::StandardButton second; // NoButton for a box of one button
    int firstAnswer;
    int secondAnswer;
};

Buttons ButtonsOf(unsigned type)
{
    switch (type & 0x0F) {
    case KRX_MB_OKCANCEL:
        return { QMessageBox::Ok, QMessageBox::Cancel, KRX_IDOK, KRX_IDCANCEL };
    case KRX_MB_YESNO:
        return { QMessageBox::Yes, QMessageBox::No, KRX_IDYES, KRX_IDNO };
    default:
        return { QMessageBox::Ok, QMessageBox::NoButton, KRX_IDOK, KRX_IDOK };
    }
}
} // namespace

int ShowQtMessageBox(const CString& text, const CString& caption, unsigned type)
{
    const Buttons buttons = ButtonsOf(type);
    QMessageBox box(IconOf(type), QString::fromStdString(caption), QString::fromStdString(text),
        buttons.first | buttons.second, QApplication::activeWindow());
    const bool secondIsDefault = (type & KRX_MB_DEFBUTTON2) != 0 && buttons.second != QMessageBox::NoButton;
    box.setDefaultButton(secondIsDefault ? buttons.second : buttons.first);
    // Closing the box with Escape or its title bar answers as the default would.
    box.setEscapeButton(buttons.second != QMessageBox::NoButton ? buttons.second : buttons.first);
    const int clicked = box.exec();
    return clicked == buttons.second ? buttons.secondAnswer : buttons.firstAnswer;
}

void InstallQtMessageBoxes()
{
    SetMessageBoxHandler([](const CString& text, const CString& caption, unsigned type) {
        QCoreApplication* application = QCoreApplication::instance();
        if (application == nullptr)
            return DefaultMessageBoxAnswer(type);
        if (QThread::currentThread() == application->thread())
            return ShowQtMessageBox(text, caption, type);
        int answer = DefaultMessageBoxAnswer(type);
        QMetaObject::invokeMethod(
            application, [&] { answer = ShowQtMessageBox(text, caption, type); }, Qt::BlockingQueuedConnection);
        return answer;
    });
}
