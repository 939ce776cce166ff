#include "plugin/DVBComponentDefinitionList.h"

CDVBComponentDefinitionList::CDVBComponentDefinitionList(const CDVBComponentDefinitionList& other)
{
    for (CDVBComponentDefinition* definition : other.m_definitions)
        AddCopy(definition);
}

CDVBComponentDefinitionList& CDVBComponentDefinitionList::operator=(const CDVBComponentDefinitionList& other)
{
    if (this != &other) {
        CDVBComponentDefinitionList copy(other);
        m_definitions.swap(copy.m_definitions);
    }
    return *this;
}

CDVBComponentDefinitionList::~CDVBComponentDefinitionList()
{
    DeleteAll();
}

void CDVBComponentDefinitionList::AddCopy(CDVBComponentDefinition* definition)
{
    if (definition)
        m_definitions.push_back(new CDVBComponentDefinition(definition));
}

bool CDVBComponentDefinitionList::ContainsComponentWithDescription(const CString& description) const
{
    for (const CDVBComponentDefinition* definition : m_definitions) {
        if (definition->GetDescription() == description)
            return true;
    }
    return false;
}

void CDVBComponentDefinitionList::DeleteAll()
{
    for (CDVBComponentDefinition* definition : m_definitions)
        delete definition;
    m_definitions.clear();
}
