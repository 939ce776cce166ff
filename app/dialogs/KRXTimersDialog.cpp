#include "KRXTimersDialog.h"

#include "KRXQtText.h"
#include "timers/KRXTimerFileName.h"

#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
constexpr int ReloadMs = 1000;

QString LocalText(int64_t utc)
{
    return QDateTime::fromSecsSinceEpoch(utc).toString("yyyy-MM-dd HH:mm");
}

QStringList Row(const CKRXTimer& timer)
{
    CString state = CKRXTimer::StateName(timer.state);
    if (!timer.reason.empty())
        state += ": " + timer.reason;
    if (!timer.conflict.empty())
        state += " (conflict: " + timer.conflict + ")";
    const CString service = timer.serviceName.empty() ? FormatString("%u", timer.serviceId) : timer.serviceName;
    return { QString::number(timer.id), ToQString(state), LocalText(timer.start), LocalText(timer.stop),
        ToQString(service + " (" + timer.multiplex + ")"), ToQString(timer.title),
        ToQString(timer.file.empty() ? timer.filePattern : timer.file) };
}

QSpinBox* MinutesBox()
{
    auto* box = new QSpinBox;
    box->setRange(0, 24 * 60);
    box->setSuffix(" min");
    return box;
}
} // namespace

CKRXTimersDialog::CKRXTimersDialog(CKRXTimerStore store, QWidget* parent)
    : QDialog(parent)
    , m_store(std::move(store))
{
    setWindowTitle("Timers");
    BuildControls();
    Reload();
    auto* reload = new QTimer(this);
    connect(reload, &QTimer::timeout, this, &CKRXTimersDialog::Reload);
    reload->start(ReloadMs);
}

void CKRXTimersDialog::BuildControls()
{
    m_list = new QTreeWidget;
    m_list->setHeaderLabels({ "#", "State", "Start", "Stop", "Service", "Title", "File" });
    m_list->setRootIsDecorated(false);
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &CKRXTimersDialog::ShowSelected);
    m_start = new QDateTimeEdit;
    m_stop = new QDateTimeEdit;
    for (QDateTimeEdit* edit : { m_start, m_stop })
        edit->setDisplayFormat("yyyy-MM-dd HH:mm:ss");
    m_before = MinutesBox();
    m_after = MinutesBox();
    m_pattern = new QLineEdit;
    m_pattern->setPlaceholderText(CKRXTimerFileName::kDefaultPattern);
    auto* form = new QFormLayout;
    form->addRow("Start:", m_start);
    form->addRow("Stop:", m_stop);
    form->addRow("Start early by:", m_before);
    form->addRow("Stop late by:", m_after);
    form->addRow("File:", m_pattern);
    m_apply = new QPushButton("&Apply");
    m_delete = new QPushButton("&Delete");
    connect(m_apply, &QPushButton::clicked, this, &CKRXTimersDialog::ApplyEdits);
    connect(m_delete, &QPushButton::clicked, this, &CKRXTimersDialog::DeleteSelected);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    buttons->addButton(m_apply, QDialogButtonBox::ActionRole);
    buttons->addButton(m_delete, QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    m_error = new QLabel;
    m_error->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addLayout(form);
    layout->addWidget(m_error);
    layout->addWidget(buttons);
    resize(900, 500);
}

void CKRXTimersDialog::Reload()
{
    CString error;
    const bool read = m_store.Read(m_timers, error);
    if (!read)
        m_error->setText(ToQString(error));
    const int selected = SelectedId();
    const QSignalBlocker quiet(m_list);
    m_list->clear();
    for (const CKRXTimer& timer : m_timers.GetTimers()) {
        auto* item = new QTreeWidgetItem(m_list, Row(timer));
        item->setSelected(timer.id == selected);
    }
    m_readable = read;
    EnableEdits();
}

void CKRXTimersDialog::EnableEdits()
{
    // Only a waiting timer can still be changed.
    const CKRXTimer* timer = m_timers.Find(SelectedId());
    const bool editable = m_readable && timer != nullptr && timer->state == EKRXTimerState::Waiting;
    for (QWidget* edit : std::initializer_list<QWidget*> { m_start, m_stop, m_before, m_after, m_pattern, m_apply })
        edit->setEnabled(editable);
    m_delete->setEnabled(m_readable && timer != nullptr);
}

int CKRXTimersDialog::SelectedId() const
{
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    return selected.isEmpty() ? 0 : selected.first()->text(0).toInt();
}

void CKRXTimersDialog::ShowSelected()
{
    const CKRXTimer* timer = m_timers.Find(SelectedId());
    if (timer != nullptr) {
        m_start->setDateTime(QDateTime::fromSecsSinceEpoch(timer->start));
        m_stop->setDateTime(QDateTime::fromSecsSinceEpoch(timer->stop));
        m_before->setValue(int(timer->paddingBefore / 60));
        m_after->setValue(int(timer->paddingAfter / 60));
        m_pattern->setText(ToQString(timer->filePattern));
    }
    // Not a reload: the list's items are in the middle of changing selection.
    EnableEdits();
}

void CKRXTimersDialog::ApplyEdits()
{
    const int id = SelectedId();
    const int64_t start = m_start->dateTime().toSecsSinceEpoch();
    const int64_t stop = m_stop->dateTime().toSecsSinceEpoch();
    if (stop <= start) {
        m_error->setText("The stop must come after the start.");
        return;
    }
    Change([&](CKRXTimerList& timers) {
        CKRXTimer* timer = timers.Find(id);
        if (timer == nullptr || timer->state != EKRXTimerState::Waiting)
            return;
        timer->start = start;
        timer->stop = stop;
        timer->paddingBefore = int64_t(m_before->value()) * 60;
        timer->paddingAfter = int64_t(m_after->value()) * 60;
        timer->filePattern = ToCString(m_pattern->text());
        // New times may meet another timer, or no longer.
        timer->conflict = timers.DescribeConflict(*timer);
    });
}

void CKRXTimersDialog::DeleteSelected()
{
    const int id = SelectedId();
    Change([id](CKRXTimerList& timers) { timers.Remove(id); });
}

void CKRXTimersDialog::Change(const std::function<void(CKRXTimerList&)>& change)
{
    CString error;
    m_error->setText(m_store.Change(change, error) ? QString() : ToQString(error));
    Reload();
}
