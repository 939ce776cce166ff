#pragma once
// What the "Configure Multiplexes" dialog shows and does, without the widgets:
// one column per field of the plug-in's kind of definition, one row per
// definition as its fields' texts. The rows are a working copy; the plug-in's
// list changes only through Commit (the dialog's OK) or a scan.
#include "platform/CString.h"

#include <vector>

class CDVBMultiplexDefinition;
class CKRXInputPlugin;

class CKRXMultiplexListModel
{
public:
    using Row = std::vector<CString>;

    // The plug-in is not owned; the rows start as its current list.
    explicit CKRXMultiplexListModel(CKRXInputPlugin* plugin);

    // The field names of a definition of the plug-in's kind.
    const std::vector<CString>& GetColumnTitles() const { return m_titles; }
    const std::vector<Row>& GetRows() const { return m_rows; }

    // -1 for none; anything outside the rows also selects none.
    void SetSelectedRow(int row);
    int GetSelectedRow() const { return m_selected; }
    bool HasSelection() const { return m_selected >= 0; }
    // "Add", "OK" and "Cancel" are always usable; "Scan..." where the
    // plug-in can scan; these need a row.
    bool CanScan() const;
    bool CanEdit() const { return HasSelection(); }
    bool CanRemove() const { return HasSelection(); }
    bool CanTest() const { return HasSelection(); }

    // Each asks the plug-in for its own editor, test or scan; true when a row
    // changed. Add appends the new row without selecting it.
    bool Add();
    bool Edit();
    bool Remove();
    // The test's own answer (closed with OK).
    bool Test();
    // A successful scan replaces the rows with the plug-in's list, dropping
    // uncommitted edits.
    bool Scan();

    // Replaces the plug-in's list with the rows, in order (not saved here).
    void Commit();

private:
    void FillFromPlugin();
    CDVBMultiplexDefinition* CreateFromRow(const Row& row);
    static Row ToRow(CDVBMultiplexDefinition* definition);

    CKRXInputPlugin* m_plugin;
    std::vector<CString> m_titles;
    std::vector<Row> m_rows;
    int m_selected = -1;
};
