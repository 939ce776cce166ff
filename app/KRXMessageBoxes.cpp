#include "KRXMessageBoxes.h"

#include "platform/MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>
#include <vector>

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

struct Button {
    QMessageBox::StandardButton button;
    int answer;
};

// The buttons in order; the last answers Escape and the title bar's close.
std::vector<Button> ButtonsOf(unsigned type)
{
    switch (type & 0x0F) {
    case KRX_MB_OKCANCEL:
        return { { QMessageBox::Ok, KRX_IDOK }, { QMessageBox::Cancel, KRX_IDCANCEL } };
    case KRX_MB_YESNOCANCEL:
        return { { QMessageBox::Yes, KRX_IDYES }, { QMessageBox::No, KRX_IDNO },
            { QMessageBox::Cancel, KRX_IDCANCEL } };
    case KRX_MB_YESNO:
        return { { QMessageBox::Yes, KRX_IDYES }, { QMessageBox::No, KRX_IDNO } };
    default:
        return { { QMessageBox::Ok, KRX_IDOK } };
    }
}
} // namespace

int ShowQtMessageBox(const CString& text, const CString& caption, unsigned type)
{
    const std::vector<Button> buttons = ButtonsOf(type);
    QMessageBox box(IconOf(type), QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::NoButton,
        QApplication::activeWindow());
    for (const Button& button : buttons)
        box.addButton(button.button);
    const bool secondIsDefault = (type & KRX_MB_DEFBUTTON2) != 0 && buttons.size() > 1;
    box.setDefaultButton(buttons[secondIsDefault ? 1 : 0].button);
    box.setEscapeButton(buttons.back().button);
    const int clicked = box.exec();
    for (const Button& button : buttons) {
        if (clicked == button.button)
            return button.answer;
    }
    return DefaultMessageBoxAnswer(type);
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
