#include "KRXQtMultiplexDialogs.h"

#include "KRXConfigureMultiplexesDialog.h"
#include "KRXFileMultiplexDialog.h"
#include "KRXScanDialog.h"
#include "KRXScanStartDialog.h"
#include "KRXTestMultiplexDialog.h"

#include "plugin/KRXInputPlugin.h"

#include <QApplication>

namespace {
bool EditFileMultiplex(QWidget* parent, CKRXInputPlugin*, CDVBMultiplexDefinition* definition)
{
    CKRXFileMultiplexDialog dialog(parent, definition);
    return dialog.exec() == QDialog::Accepted;
}
} // namespace

CKRXQtMultiplexDialogs::CKRXQtMultiplexDialogs(QWidget* parent)
    : m_parent(parent)
{
    AddDefinitionEditor(EKRXMultiplexKind::File, EditFileMultiplex);
}

void CKRXQtMultiplexDialogs::AddDefinitionEditor(EKRXMultiplexKind kind, DefinitionEditor editor)
{
    m_editors[kind] = std::move(editor);
}

bool CKRXQtMultiplexDialogs::ConfigureMultiplexDefinitions(CKRXInputPlugin* plugin)
{
    CKRXConfigureMultiplexesDialog dialog(DialogParent(), plugin);
    return dialog.exec() == QDialog::Accepted;
}

bool CKRXQtMultiplexDialogs::ConfigureMultiplexDefinition(CKRXInputPlugin* plugin, CDVBMultiplexDefinition* definition)
{
    const auto editor = m_editors.find(plugin->GetMultiplexKind());
    return editor != m_editors.end() && editor->second(DialogParent(), plugin, definition);
}

bool CKRXQtMultiplexDialogs::TestMultiplexDefinition(CKRXInputPlugin* plugin, CDVBMultiplexDefinition* definition)
{
    CKRXTestMultiplexDialog dialog(DialogParent(), plugin, definition);
    return dialog.exec() == QDialog::Accepted;
}

bool CKRXQtMultiplexDialogs::RunScan(CKRXInputPlugin*, CKRXScanJob& job)
{
    CKRXScanDialog dialog(DialogParent(), job);
    return dialog.exec() == QDialog::Accepted;
}

bool CKRXQtMultiplexDialogs::AskScanStart(CKRXInputPlugin*, SKRXScanStart& start)
{
    CKRXScanStartDialog dialog(DialogParent(), start);
    return dialog.exec() == QDialog::Accepted;
}

QWidget* CKRXQtMultiplexDialogs::DialogParent() const
{
    // A dialog opened from another (an editor from the configuration) stays over it.
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return m_parent;
}
