#pragma once
// The multiplex dialogs of the program: the core's configuration and test
// dialogs, and an editor per input plug-in for one definition, chosen by the
// plug-in's name. The File plug-in's editor is there from the start; other
// plug-ins add theirs (the card's tuning forms) with AddDefinitionEditor.
// Every dialog is modal, on the user-interface thread, over the window that
// is modal at the time (or the parent given here).
#include "plugin/KRXMultiplexDialogs.h"

#include "platform/CString.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>

class CKRXQtMultiplexDialogs : public CKRXMultiplexDialogs
{
public:
    // Edits the definition in place; true when the user pressed OK.
    using DefinitionEditor = std::function<bool(QWidget* parent, CKRXInputPlugin*, CDVBMultiplexDefinition*)>;

    explicit CKRXQtMultiplexDialogs(QWidget* parent);

    // Replaces any editor the plug-in of that name had.
    void AddDefinitionEditor(const CString& pluginName, DefinitionEditor editor);

    bool ConfigureMultiplexDefinitions(CKRXInputPlugin* plugin) override;
    // False for a plug-in without an editor, as without a user interface.
    bool ConfigureMultiplexDefinition(CKRXInputPlugin* plugin, CDVBMultiplexDefinition* definition) override;
    bool TestMultiplexDefinition(CKRXInputPlugin* plugin, CDVBMultiplexDefinition* definition) override;
    bool RunScan(CKRXInputPlugin* plugin, CKRXScanJob& job) override;

private:
    QWidget* DialogParent() const;

    QPointer<QWidget> m_parent;
    std::map<CString, DefinitionEditor> m_editors;
};
