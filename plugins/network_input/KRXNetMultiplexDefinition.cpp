#include "KRXNetMultiplexDefinition.h"

bool CKRXNetMultiplexDefinition::ReadFieldFromString(int index, const CString& text)
{
    switch (index) {
    case NameField:
        m_name = text;
        return true;
    case URLField:
        m_url = text;
        return true;
    default:
        return false;
    }
}

bool CKRXNetMultiplexDefinition::WriteFieldToString(int index, CString& text)
{
    switch (index) {
    case NameField:
        text = m_name;
        return true;
    case URLField:
        text = m_url;
        return true;
    default:
        return false;
    }
}

CString CKRXNetMultiplexDefinition::GetFieldName(int index)
{
    switch (index) {
    case NameField:
        return "Name";
    case URLField:
        return "URL";
    default:
        return "";
    }
}
