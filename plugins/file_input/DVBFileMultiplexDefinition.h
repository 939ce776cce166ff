#pragma once
// A multiplex of the file input: a name and the path of a transport-stream file.
#include "plugin/DVBMultiplexDefinition.h"

class CDVBFileMultiplexDefinition : public CDVBMultiplexDefinition
{
public:
    enum { NameField = 0, FilenameField = 1 };

    CString GetName() override { return m_name; }
    bool ReadFieldFromString(int index, const CString& text) override;
    bool WriteFieldToString(int index, CString& text) override;
    int GetRequiredFieldCount() override { return 2; }
    CString GetFieldName(int index) override;

private:
    CString m_fileName;
    CString m_name;
};
