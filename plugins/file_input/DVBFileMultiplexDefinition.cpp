#include "DVBFileMultiplexDefinition.h"

bool CDVBFileMultiplexDefinition::ReadFieldFromString(int index, const CString& text)
{
    switch (index) {
    case NameField:
        m_name = text;
        return true;
    case FilenameField:
        m_fileName = text;
        return true;
    default:
        return false;
    }
}

bool CDVBFileMultiplexDefinition::WriteFieldToString(int index, CString& text)
{
    switch (index) {
    case NameField:
        text = GetName();
        return true;
    case FilenameField:
        text = m_fileName;
        return true;
    default:
        return false;
    }
}

CString CDVBFileMultiplexDefinition::GetFieldName(int index)
{
    switch (index) {
    case NameField:
        return "Name";
    case FilenameField:
        return "Filename";
    default:
        return "";
    }
}
