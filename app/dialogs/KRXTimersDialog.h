#pragma once
// The timers: each with its state (waiting, recording, done, failed and why),
// its times, service and file; the one selected can have its times, padding
// and file pattern changed, or be deleted. Reads the timers file again every
// second, so that what the recorder does shows.
#include "timers/KRXTimerStore.h"

#include <QDialog>

class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTreeWidget;

class CKRXTimersDialog : public QDialog
{
    Q_OBJECT
public:
    explicit CKRXTimersDialog(CKRXTimerStore store, QWidget* parent = nullptr);

    QTreeWidget* GetList() const { return m_list; }
    QDateTimeEdit* GetStartEdit() const { return m_start; }
    QDateTimeEdit* GetStopEdit() const { return m_stop; }
    QSpinBox* GetPaddingBeforeEdit() const { return m_before; }
    QSpinBox* GetPaddingAfterEdit() const { return m_after; }
    QLineEdit* GetPatternEdit() const { return m_pattern; }
    QPushButton* GetApplyButton() const { return m_apply; }
    QPushButton* GetDeleteButton() const { return m_delete; }
    // Why the last change could not be saved; empty when it was.
    QLabel* GetErrorLabel() const { return m_error; }

public slots:
    void Reload();

private:
    void BuildControls();
    int SelectedId() const;
    void ShowSelected();
    // The edits for the selected timer, when the file could be read.
    void EnableEdits();
    void ApplyEdits();
    void DeleteSelected();
    void Change(const std::function<void(CKRXTimerList&)>& change);

    CKRXTimerStore m_store;
    CKRXTimerList m_timers;
    bool m_readable = false; // the file was read whole
    QTreeWidget* m_list = nullptr;
    QDateTimeEdit* m_start = nullptr;
    QDateTimeEdit* m_stop = nullptr;
    QSpinBox* m_before = nullptr;
    QSpinBox* m_after = nullptr;
    QLineEdit* m_pattern = nullptr;
    QPushButton* m_apply = nullptr;
    QPushButton* m_delete = nullptr;
    QLabel* m_error = nullptr;
};
