#include "KRXConfigureMultiplexesDialog.h"

#include "KRXQtText.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <utility>

CKRXConfigureMultiplexesDialog::CKRXConfigureMultiplexesDialog(QWidget* parent, CKRXInputPlugin* plugin)
    : QDialog(parent)
    , m_model(plugin)
    , m_list(new QTreeWidget)
{
    setWindowTitle("Configure Multiplexes");

    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setAllColumnsShowFocus(true);
    // Paths differ at their ends more often than at their beginnings.
    m_list->setTextElideMode(Qt::ElideMiddle);
    m_list->setMinimumSize(520, 220);
    QStringList titles;
    for (const CString& title : m_model.GetColumnTitles())
        titles << ToQString(title);
    m_list->setHeaderLabels(titles);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &CKRXConfigureMultiplexesDialog::OnSelectionChanged);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_scan = AddButton("Scan...", &CKRXMultiplexListModel::Scan));
    buttons->addWidget(AddButton("Add", &CKRXMultiplexListModel::Add));
    buttons->addWidget(m_edit = AddButton("Edit", &CKRXMultiplexListModel::Edit));
    buttons->addWidget(m_test = AddButton("Test", &CKRXMultiplexListModel::Test));
    buttons->addWidget(m_remove = AddButton("Remove", &CKRXMultiplexListModel::Remove));
    // As in any list of things to edit, a double-click edits the row.
    connect(m_list, &QTreeWidget::itemDoubleClicked, m_edit, &QPushButton::click);

    auto* group = new QGroupBox("Multiplexes");
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(m_list);
    groupLayout->addLayout(buttons);

    auto* closing = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(closing, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(closing, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(closing);

    FillRows();
}

void CKRXConfigureMultiplexesDialog::accept()
{
    m_model.Commit();
    QDialog::accept();
}

void CKRXConfigureMultiplexesDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The list's width is known only once it is laid out.
    if (!std::exchange(m_columnsSpread, true))
        SpreadColumns();
}

QPushButton* CKRXConfigureMultiplexesDialog::AddButton(const char* text, bool (CKRXMultiplexListModel::*action)())
{
    auto* button = new QPushButton(text);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, action] {
        if ((m_model.*action)())
            FillRows();
    });
    return button;
}

void CKRXConfigureMultiplexesDialog::SpreadColumns()
{
    // Each column as wide as its title, the room left over shared out evenly.
    const QFontMetrics metrics = m_list->header()->fontMetrics();
    const int padding = 4 * m_list->header()->style()->pixelMetric(QStyle::PM_HeaderMargin);
    std::vector<int> widths;
    int total = 0;
    for (int column = 0; column < m_list->columnCount(); ++column) {
        widths.push_back(metrics.horizontalAdvance(m_list->headerItem()->text(column)) + padding);
        total += widths.back();
    }
    const int room = m_list->viewport()->width();
    const int spare = total < room ? (room - total) / static_cast<int>(widths.size()) : 0;
    for (int column = 0; column < static_cast<int>(widths.size()); ++column)
        m_list->setColumnWidth(column, widths[column] + spare);
}

void CKRXConfigureMultiplexesDialog::FillRows()
{
    const QSignalBlocker blocker(m_list);
    m_list->clear();
    for (const CKRXMultiplexListModel::Row& row : m_model.GetRows()) {
        QStringList cells;
        for (const CString& cell : row)
            cells << ToQString(cell);
        m_list->addTopLevelItem(new QTreeWidgetItem(cells));
    }
    if (m_model.HasSelection())
        m_list->setCurrentItem(m_list->topLevelItem(m_model.GetSelectedRow()));
    UpdateButtons();
}

void CKRXConfigureMultiplexesDialog::OnSelectionChanged()
{
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    m_model.SetSelectedRow(selected.isEmpty() ? -1 : m_list->indexOfTopLevelItem(selected.first()));
    UpdateButtons();
}

void CKRXConfigureMultiplexesDialog::UpdateButtons()
{
    m_scan->setEnabled(m_model.CanScan());
    m_edit->setEnabled(m_model.CanEdit());
    m_test->setEnabled(m_model.CanTest());
    m_remove->setEnabled(m_model.CanRemove());
}
