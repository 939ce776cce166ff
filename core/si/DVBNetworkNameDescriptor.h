#pragma once
// Network name descriptor: the whole payload is the name.
#include "si/DVBDescriptor.h"

class CDVBNetworkNameDescriptor : public CDVBDescriptor
{
public:
    bool Parse(const unsigned char* payload) override;
    void CopyFrom(const CDVBDescriptor* other) override;

    const CString& GetName() const { return m_name; }

private:
    CString m_name;
};
