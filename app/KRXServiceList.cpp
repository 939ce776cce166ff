#include "KRXServiceList.h"

#include "KRXQtText.h"

#include <QSignalBlocker>

#include <algorithm>

namespace {
// The service type images, in the order of the DVB_SERVICE_* codes.
const char* const ServiceTypeIcons[] = { ":/icons/service-unknown.png", ":/icons/service-tv.png",
    ":/icons/service-radio.png", ":/icons/service-data.png" };
enum Column { NumberColumn, NameColumn, NowShowingColumn };
constexpr int HiddenRole = Qt::UserRole + 1;

QIcon ServiceTypeIcon(int type)
{
    return QIcon(ServiceTypeIcons[type >= 0 && type < 4 ? type : 0]);
}
} // namespace

CKRXServiceList::CKRXServiceList(QWidget* parent)
    : QTreeWidget(parent)
{
    setColumnCount(3);
    setHeaderLabels({ "#", "Service", "Now Showing" });
    headerItem()->setTextAlignment(NumberColumn, Qt::AlignRight | Qt::AlignVCenter);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
}

void CKRXServiceList::Apply(const CKRXServiceRows& rows, const std::vector<CKRXServiceRows::Change>& changes)
{
    const QSignalBlocker blocker(this);
    bool reorder = false;
    for (const CKRXServiceRows::Change& change : changes) {
        const CKRXServiceRows::Row& row = rows.GetRows()[change.row];
        QTreeWidgetItem* item = FindProgram(row.programNumber);
        if (item == nullptr) {
            item = new QTreeWidgetItem(this);
            item->setData(NumberColumn, Qt::UserRole, row.programNumber);
            item->setTextAlignment(NumberColumn, Qt::AlignRight | Qt::AlignVCenter);
        }
        ShowRow(item, row, change.what);
        reorder |= (change.what
                       & (CKRXServiceRows::Inserted | CKRXServiceRows::NameChanged | CKRXServiceRows::NumberChanged))
            != 0;
    }
    if (reorder)
        Order(rows);
}

void CKRXServiceList::MarkFavourites(const std::function<bool(unsigned short programNumber)>& isFavourite)
{
    for (int row = 0; row < topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = topLevelItem(row);
        QFont font = item->font(NameColumn);
        font.setBold(isFavourite(GetProgramNumber(item)));
        item->setFont(NameColumn, font);
    }
}

void CKRXServiceList::ShowRow(QTreeWidgetItem* item, const CKRXServiceRows::Row& row, unsigned what)
{
    const bool all = (what & CKRXServiceRows::Inserted) != 0;
    if (all || (what & CKRXServiceRows::NameChanged))
        item->setText(NameColumn, ToQString(row.name));
    if (all || (what & CKRXServiceRows::TypeChanged))
        item->setIcon(NameColumn, ServiceTypeIcon(row.type));
    if (all || (what & CKRXServiceRows::NowShowingChanged))
        item->setText(NowShowingColumn, ToQString(row.nowShowing));
    if (all || (what & CKRXServiceRows::NumberChanged)) {
        item->setText(NumberColumn, row.channelNumber < 0 ? QString() : QString::number(row.channelNumber));
        item->setData(NumberColumn, HiddenRole, !row.visible);
        item->setHidden(!row.visible && !m_showHidden);
    }
}

// Moves only the items out of place, so the selection and scroll position stay.
void CKRXServiceList::Order(const CKRXServiceRows& rows)
{
    const std::vector<int> order = rows.GetListOrder();
    for (int at = 0; at < int(order.size()) && at < topLevelItemCount(); ++at) {
        QTreeWidgetItem* wanted = FindProgram(rows.GetRows()[order[at]].programNumber);
        const int from = indexOfTopLevelItem(wanted);
        if (from == at)
            continue;
        const bool selected = wanted->isSelected();
        const bool current = currentItem() == wanted;
        insertTopLevelItem(at, takeTopLevelItem(from));
        if (current)
            setCurrentItem(wanted, 0, QItemSelectionModel::NoUpdate);
        wanted->setSelected(selected);
    }
}

void CKRXServiceList::SetShowHidden(bool show)
{
    m_showHidden = show;
    for (int at = 0; at < topLevelItemCount(); ++at) {
        QTreeWidgetItem* item = topLevelItem(at);
        item->setHidden(!show && item->data(NumberColumn, HiddenRole).toBool());
    }
}

unsigned short CKRXServiceList::GetProgramNumber(const QTreeWidgetItem* item)
{
    return static_cast<unsigned short>(item->data(NumberColumn, Qt::UserRole).toUInt());
}

QTreeWidgetItem* CKRXServiceList::FindProgram(unsigned short programNumber) const
{
    for (int at = 0; at < topLevelItemCount(); ++at) {
        if (GetProgramNumber(topLevelItem(at)) == programNumber)
            return topLevelItem(at);
    }
    return nullptr;
}

int CKRXServiceList::GetSelectedProgram() const
{
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? -1 : GetProgramNumber(selected.first());
}

void CKRXServiceList::SelectProgram(unsigned short programNumber)
{
    if (QTreeWidgetItem* item = FindProgram(programNumber))
        setCurrentItem(item);
}

void CKRXServiceList::Step(int step)
{
    std::vector<QTreeWidgetItem*> shown;
    for (int at = 0; at < topLevelItemCount(); ++at) {
        if (!topLevelItem(at)->isHidden())
            shown.push_back(topLevelItem(at));
    }
    const int count = int(shown.size());
    if (count == 0)
        return;
    const QList<QTreeWidgetItem*> chosen = selectedItems();
    const auto selected = std::find(shown.begin(), shown.end(), chosen.isEmpty() ? nullptr : chosen.first());
    const int from = selected == shown.end() ? (step > 0 ? -1 : 0) : int(selected - shown.begin());
    setCurrentItem(shown[((from + step) % count + count) % count]);
}
