#pragma once
// The multiplex dialogs of the program: the core's configuration and test
// dialogs, and an editor for one definition per kind of multiplex, chosen by
// the kind the input plug-in says its definitions are (not by its caption).
// The File plug-in's editor is there from the start; the others (the card's
// tuning forms, the network's) are added with AddDefinitionEditor.
// Every dialog is modal, on the user-interface thread, over the window that
// is modal at the time (or the parent given here).
#include "plugin/KRXInputPlugin.h"
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

    // Replaces any editor of that kind.
    void AddDefinitionEditor(EKRXMultiplexKind kind, DefinitionEditor editor);

    bool ConfigureMultiplexDefinitions(CKRXInputPlugin* plugin) override;
    // False for a plug-in without an editor, as without a user interface.
    bool ConfigureMultiplexDefinition(CKRXInputPlugin* plugin, CDVBMultiplexDefinition* definition) override;
    bool TestMultiplexDefinition(CKRXInputPlugin* plugin, CDVBMultiplexDefinition* definition) override;
    bool RunScan(CKRXInputPlugin* plugin, CKRXScanJob& job) override;
    bool AskScanStart(CKRXInputPlugin* plugin, SKRXScanStart& start) override;

private:
    QWidget* DialogParent() const;

    QPointer<QWidget> m_parent;
    std::map<EKRXMultiplexKind, DefinitionEditor> m_editors;
};
