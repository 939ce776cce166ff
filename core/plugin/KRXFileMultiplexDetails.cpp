#include "plugin/KRXFileMultiplexDetails.h"

#include "plugin/DVBMultiplexDefinition.h"

#include <filesystem>

CKRXFileMultiplexDetails::CKRXFileMultiplexDetails(CDVBMultiplexDefinition* definition)
    : m_definition(definition)
{
    m_definition->WriteFieldToString(NameField, m_name);
    m_definition->WriteFieldToString(PathField, m_path);
}

void CKRXFileMultiplexDetails::OnFileChosen(const CString& path)
{
    m_path = path;
    if (m_name.empty())
        m_name = std::filesystem::path(path).stem().string();
}

bool CKRXFileMultiplexDetails::Store()
{
    if (m_name.find(',') != CString::npos || m_path.find(',') != CString::npos)
        return false;
    m_definition->ReadFieldFromString(NameField, m_name);
    m_definition->ReadFieldFromString(PathField, m_path);
    return true;
}
