#pragma once
// The components the application has chosen, in the order they were added.
// The list owns its definitions.
#include "plugin/DVBComponentDefinition.h"

#include <list>

class CDVBComponentDefinitionList
{
public:
    CDVBComponentDefinitionList() = default;
    // Copies are deep: each list owns and deletes its own definitions.
    CDVBComponentDefinitionList(const CDVBComponentDefinitionList& other);
    CDVBComponentDefinitionList& operator=(const CDVBComponentDefinitionList& other);
    virtual ~CDVBComponentDefinitionList();

    // Appends a new definition made from the given one; null is ignored.
    void AddCopy(CDVBComponentDefinition* definition);
    // Exact, case-sensitive comparison of the bytes.
    bool ContainsComponentWithDescription(const CString& description) const;
    void DeleteAll();
    int GetCount() const { return static_cast<int>(m_definitions.size()); }

    std::list<CDVBComponentDefinition*>::const_iterator begin() const { return m_definitions.begin(); }
    std::list<CDVBComponentDefinition*>::const_iterator end() const { return m_definitions.end(); }

private:
    std::list<CDVBComponentDefinition*> m_definitions;
};
