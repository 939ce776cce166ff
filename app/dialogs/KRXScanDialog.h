#pragma once
// "Scan for Channels...": runs an input plug-in's scan job on a timer at the
// job's pace and shows its status, progress and finds. OK hands the finds to
// the plug-in; Cancel, or closing, drops them.
#include <QDialog>

class CKRXScanJob;
class QLabel;
class QProgressBar;
class QTimer;
class QTreeWidget;

class CKRXScanDialog : public QDialog
{
    Q_OBJECT

public:
    CKRXScanDialog(QWidget* parent, CKRXScanJob& job);

    void accept() override;
    void done(int result) override;

private:
    void Tick();
    void Show();

    CKRXScanJob& m_job;
    QLabel* m_status;
    QProgressBar* m_progress;
    QTreeWidget* m_found;
    QTimer* m_timer;
};
