#pragma once
// A multiplex of the network input: a name and the URL of its stream.
#include "plugin/DVBMultiplexDefinition.h"

class CKRXNetMultiplexDefinition : public CDVBMultiplexDefinition
{
public:
    enum { NameField = 0, URLField = 1 };

    CString GetName() override { return m_name; }
    bool ReadFieldFromString(int index, const CString& text) override;
    bool WriteFieldToString(int index, CString& text) override;
    int GetRequiredFieldCount() override { return 2; }
    CString GetFieldName(int index) override;

    const CString& GetURL() const { return m_url; }

private:
    CString m_name;
    CString m_url;
};
