#include "KRXNetMultiplexDetails.h"

#include "KRXNetURL.h"

CKRXNetMultiplexDetails::CKRXNetMultiplexDetails(CDVBMultiplexDefinition* definition)
    : m_definition(definition)
{
    m_definition->WriteFieldToString(CKRXNetMultiplexDefinition::NameField, m_name);
    m_definition->WriteFieldToString(CKRXNetMultiplexDefinition::URLField, m_url);
}

void CKRXNetMultiplexDetails::SetURL(const CString& url)
{
    m_url = CDVBMultiplexDefinition::TrimField(url);
}

bool CKRXNetMultiplexDetails::Store(CString& problem)
{
    KRXNetURL url;
    if (!ParseNetURL(m_url, url, problem)) {
        problem = "The URL cannot be played: " + problem + ".";
        return false;
    }
    const CString name = CDVBMultiplexDefinition::TrimField(m_name).empty() ? m_url : m_name;
    if (name.find(',') != CString::npos || m_url.find(',') != CString::npos) {
        problem = "The name and the URL of a multiplex cannot contain a comma.";
        return false;
    }
    m_definition->ReadFieldFromString(CKRXNetMultiplexDefinition::NameField, name);
    m_definition->ReadFieldFromString(CKRXNetMultiplexDefinition::URLField, m_url);
    m_name = name;
    return true;
}
