#include "KRXScanDialog.h"

#include "KRXQtText.h"

#include "plugin/KRXScanJob.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
QGroupBox* Group(const char* title, QWidget* content)
{
    auto* group = new QGroupBox(title);
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(content);
    return group;
}
} // namespace

CKRXScanDialog::CKRXScanDialog(QWidget* parent, CKRXScanJob& job)
    : QDialog(parent)
    , m_job(job)
    , m_status(new QLabel)
    , m_progress(new QProgressBar)
    , m_found(new QTreeWidget)
    , m_timer(new QTimer(this))
{
    setWindowTitle("Scan for Channels...");
    m_status->setObjectName("status");
    m_progress->setRange(0, job.GetProgressRange());
    m_progress->setValue(0);
    m_found->setObjectName("found");
    m_found->setRootIsDecorated(false);
    QStringList columns;
    for (const CString& column : job.GetColumnNames())
        columns << ToQString(column);
    m_found->setHeaderLabels(columns);
    m_found->header()->setSectionResizeMode(QHeaderView::Stretch);

    auto* closing = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(closing, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(closing, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Group("Status", m_status));
    layout->addWidget(Group("Progress", m_progress));
    layout->addWidget(Group("Frequencies", m_found));
    layout->addWidget(closing);

    connect(m_timer, &QTimer::timeout, this, &CKRXScanDialog::Tick);
    m_timer->start(static_cast<int>(job.GetTickMilliseconds()));
}

void CKRXScanDialog::Tick()
{
    m_job.Tick();
    Show();
    if (m_job.IsDone())
        m_timer->stop();
}

void CKRXScanDialog::Show()
{
    QString status = ToQString(m_job.GetStatusText());
    m_status->setText(status.trimmed());
    m_progress->setValue(std::min(m_job.GetProgressPosition(), m_progress->maximum()));
    const auto rows = m_job.GetFoundRows();
    for (int row = m_found->topLevelItemCount(); row < static_cast<int>(rows.size()); ++row) {
        QStringList cells;
        for (const CString& cell : rows[row])
            cells << ToQString(cell);
        m_found->addTopLevelItem(new QTreeWidgetItem(cells));
    }
}

void CKRXScanDialog::accept()
{
    m_timer->stop();
    m_job.Commit();
    QDialog::accept();
}

void CKRXScanDialog::done(int result)
{
    // However the dialog ends, the job is not ticked again.
    m_timer->stop();
    QDialog::done(result);
}
