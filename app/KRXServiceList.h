#pragma once
// The main window's list of the open multiplex's services: channel number,
// name and what is showing, in channel-number order (services without a
// number last, by name). Services the broadcaster hides are left out unless
// asked for. Each item carries its programme number, so the list's order
// owes nothing to the order the rows were heard of.
#include "viewing/KRXServiceRows.h"

#include <QTreeWidget>
#include <functional>

class CKRXServiceList : public QTreeWidget
{
    Q_OBJECT
public:
    explicit CKRXServiceList(QWidget* parent = nullptr);

    // Brings the items up to the rows after the changes, without signals;
    // the selected service stays selected.
    void Apply(const CKRXServiceRows& rows, const std::vector<CKRXServiceRows::Change>& changes);
    void SetShowHidden(bool show);
    // The favourite services' names in bold.
    void MarkFavourites(const std::function<bool(unsigned short programNumber)>& isFavourite);

    static unsigned short GetProgramNumber(const QTreeWidgetItem* item);
    QTreeWidgetItem* FindProgram(unsigned short programNumber) const;
    // The selected service's programme number, or -1.
    int GetSelectedProgram() const;
    // Selects the service, as a click would (the selection signal follows).
    void SelectProgram(unsigned short programNumber);
    // The next (or previous) service shown, round from the last to the first.
    void Step(int step);

private:
    void ShowRow(QTreeWidgetItem* item, const CKRXServiceRows::Row& row, unsigned what);
    void Order(const CKRXServiceRows& rows);

    bool m_showHidden = false;
};
