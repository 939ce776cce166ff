#include "KRXTimerCountdownBox.h"

#include "KRXQtText.h"
#include "timers/KRXTimerHandover.h"

#include <QPushButton>

CKRXTimerCountdownBox::CKRXTimerCountdownBox(CKRXTimerHandover& handover, QWidget* parent)
    : QMessageBox(parent)
    , m_handover(handover)
{
    setWindowTitle("Timer");
    setIcon(QMessageBox::Information);
    setStandardButtons(QMessageBox::Cancel);
    // Not modal: the user keeps watching until the switch.
    setWindowModality(Qt::NonModal);
    connect(button(QMessageBox::Cancel), &QPushButton::clicked, this, [this] {
        m_handover.Cancel();
        hide();
    });
}

void CKRXTimerCountdownBox::Refresh()
{
    if (m_handover.GetCountingTimer() == 0) {
        hide();
        return;
    }
    setText(ToQString(m_handover.GetCountdownText()));
    setInformativeText(QString("Recording starts in %1 s unless you cancel.").arg(m_handover.GetSecondsLeft()));
    if (!isVisible())
        show();
}
