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

CString CKRXFileMultiplexDetails::Store()
{
    if (m_name.find_first_not_of(" \t") == CString::npos)
        return "Give the multiplex a name.";
    std::error_code error;
    if (m_path.empty() || !std::filesystem::is_regular_file(m_path, error))
        return "There is no file \"" + m_path + "\" to play.";
    if (m_name.find(',') != CString::npos || m_path.find(',') != CString::npos)
        return "The name and the path of a multiplex cannot contain a comma.";
    m_definition->ReadFieldFromString(NameField, m_name);
    m_definition->ReadFieldFromString(PathField, m_path);
    return "";
}
