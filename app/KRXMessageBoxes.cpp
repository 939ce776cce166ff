#include "KRXMessageBoxes.h"

#include "platform/CrossThreadAnswer.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <memory>
#include <thread>
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
    const std::thread::id uiThread = std::this_thread::get_id();
    SetMessageBoxHandler([uiThread](const CString& text, const CString& caption, unsigned type) {
        QCoreApplication* application = QCoreApplication::instance();
        if (application == nullptr)
            return DefaultMessageBoxAnswer(type);
        if (std::this_thread::get_id() == uiThread)
            return ShowQtMessageBox(text, caption, type);
        // The user-interface thread may be stopping this very thread: the wait
        // then ends with the default answer (see CCrossThreadAnswer), and a
        // question asked of nobody is not shown; a notice still is.
        auto answer = std::make_shared<CCrossThreadAnswer>(uiThread);
        QMetaObject::invokeMethod(
            application,
            [=] {
                if (answer->IsAwaited() || (type & 0x0F) == KRX_MB_OK)
                    answer->Give(ShowQtMessageBox(text, caption, type));
            },
            Qt::QueuedConnection);
        return answer->Wait(DefaultMessageBoxAnswer(type));
    });
}
