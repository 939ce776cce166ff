#pragma once
// The message shown while a timer counts down to taking the window over:
// what it records, the seconds left, and Cancel, which lets the timer fail
// and keeps what is watched. Shown and hidden as the handover counts.
#include <QMessageBox>

class CKRXTimerHandover;

class CKRXTimerCountdownBox : public QMessageBox
{
    Q_OBJECT
public:
    explicit CKRXTimerCountdownBox(CKRXTimerHandover& handover, QWidget* parent = nullptr);

public slots:
    // Follows the handover: the text and seconds while it counts, hidden otherwise.
    void Refresh();

private:
    CKRXTimerHandover& m_handover;
};
