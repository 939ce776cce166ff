#include "plugin/KRXMultiplexListModel.h"

#include "plugin/DVBMultiplexDefinition.h"
#include "plugin/KRXInputPlugin.h"

#include <algorithm>
#include <memory>

namespace {
using Definition = std::unique_ptr<CDVBMultiplexDefinition>;

// Field 0 is always the name, even of a definition that counts no fields.
int CountFields(CDVBMultiplexDefinition* definition)
{
    return std::max(definition->GetTotalFieldCount(), 1);
}
} // namespace

CKRXMultiplexListModel::CKRXMultiplexListModel(CKRXInputPlugin* plugin)
    : m_plugin(plugin)
{
    const Definition sample(m_plugin->CreateMultiplexDefinition());
    for (int index = 0; index < CountFields(sample.get()); ++index)
        m_titles.push_back(sample->GetFieldName(index));
    FillFromPlugin();
}

void CKRXMultiplexListModel::SetSelectedRow(int row)
{
    m_selected = row >= 0 && row < static_cast<int>(m_rows.size()) ? row : -1;
}

bool CKRXMultiplexListModel::Add()
{
    const Definition definition(m_plugin->CreateMultiplexDefinition());
    if (!m_plugin->ConfigureMultiplexDefinition(definition.get()))
        return false;
    m_rows.push_back(ToRow(definition.get()));
    return true;
}

bool CKRXMultiplexListModel::Edit()
{
    if (!HasSelection())
        return false;
    const Definition definition(CreateFromRow(m_rows[m_selected]));
    if (!m_plugin->ConfigureMultiplexDefinition(definition.get()))
        return false;
    m_rows[m_selected] = ToRow(definition.get());
    return true;
}

bool CKRXMultiplexListModel::Remove()
{
    if (!HasSelection())
        return false;
    m_rows.erase(m_rows.begin() + m_selected);
    m_selected = -1;
    return true;
}

bool CKRXMultiplexListModel::Test()
{
    if (!HasSelection())
        return false;
    const Definition definition(CreateFromRow(m_rows[m_selected]));
    return m_plugin->TestMultiplexDefinition(definition.get());
}

bool CKRXMultiplexListModel::CanScan() const
{
    return m_plugin->CanScanForMultiplexDefinitions();
}

bool CKRXMultiplexListModel::Scan()
{
    if (!m_plugin->ScanForMultiplexDefinitions())
        return false;
    FillFromPlugin();
    return true;
}

void CKRXMultiplexListModel::Commit()
{
    m_plugin->DeleteAllMultiplexDefinitions();
    for (const Row& row : m_rows)
        m_plugin->AddMultiplexDefinition(CreateFromRow(row));
}

void CKRXMultiplexListModel::FillFromPlugin()
{
    m_rows.clear();
    m_selected = -1;
    for (auto position = m_plugin->GetFirstMultiplexDefinitionPosition(); m_plugin->IsValid(position);)
        m_rows.push_back(ToRow(m_plugin->GetNextMultiplexDefinition(position)));
}

CDVBMultiplexDefinition* CKRXMultiplexListModel::CreateFromRow(const Row& row)
{
    CDVBMultiplexDefinition* definition = m_plugin->CreateMultiplexDefinition();
    const int count = std::min(CountFields(definition), static_cast<int>(row.size()));
    for (int index = 0; index < count; ++index)
        definition->ReadFieldFromString(index, row[index]);
    return definition;
}

CKRXMultiplexListModel::Row CKRXMultiplexListModel::ToRow(CDVBMultiplexDefinition* definition)
{
    Row row;
    for (int index = 0; index < CountFields(definition); ++index) {
        CString text;
        definition->WriteFieldToString(index, text);
        row.push_back(text);
    }
    return row;
}
