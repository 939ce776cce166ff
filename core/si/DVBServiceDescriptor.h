#pragma once
// Service descriptor: service type, provider name and service name.
#include "si/DVBDescriptor.h"

class CDVBServiceDescriptor : public CDVBDescriptor
{
public:
    bool Parse(const unsigned char* payload) override;
    void CopyFrom(const CDVBDescriptor* other) override;

    unsigned char GetServiceType() const { return m_serviceType; }
    const CString& GetProviderName() const { return m_providerName; }
    const CString& GetServiceName() const { return m_serviceName; }

private:
    unsigned char m_serviceType = 0;
    CString m_providerName;
    CString m_serviceName;
};
