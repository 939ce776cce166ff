#pragma once
// "Configure Multiplexes": the plug-in's multiplexes as a table of their
// fields, with "Scan...", "Add", "Edit", "Test" and "Remove". The table is a
// working copy; OK puts it into the plug-in (which then saves it), Cancel
// leaves the plug-in as it was.
#include "plugin/KRXMultiplexListModel.h"

#include <QDialog>

class QPushButton;
class QTreeWidget;

class CKRXConfigureMultiplexesDialog : public QDialog
{
    Q_OBJECT

public:
    CKRXConfigureMultiplexesDialog(QWidget* parent, CKRXInputPlugin* plugin);

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QPushButton* AddButton(const char* text, bool (CKRXMultiplexListModel::*action)());
    void SpreadColumns();
    void FillRows();
    void OnSelectionChanged();
    void UpdateButtons();

    CKRXMultiplexListModel m_model;
    QTreeWidget* m_list;
    QPushButton* m_scan = nullptr;
    QPushButton* m_edit = nullptr;
    QPushButton* m_test = nullptr;
    QPushButton* m_remove = nullptr;
    bool m_columnsSpread = false;
};
