#pragma once
// One transport stream as the SI collector knows it from PAT, SDT and NIT.
#include "platform/CString.h"
#include "si/DVBTerrestrialDeliveryDescriptor.h"

#include <memory>

class CDVBPATSection;
class CDVBSDTSection;
class CDVBNITSection;
struct CDVBNITEntry;

class CDVBTransportStream
{
public:
    explicit CDVBTransportStream(unsigned short id)
        : m_id(id)
    {
    }
    CDVBTransportStream(const CDVBTransportStream&) = delete;
    CDVBTransportStream& operator=(const CDVBTransportStream&) = delete;
    virtual ~CDVBTransportStream() = default;

    void OnReceivePAT(CDVBPATSection*) { m_patSeen = true; }
    void OnReceiveSDT(CDVBSDTSection*) { m_sdtSeen = true; }
    void OnReceiveNIT(CDVBNITSection* section, const CDVBNITEntry* entry);

    unsigned short GetId() const { return m_id; }
    bool HasSeenPAT() const { return m_patSeen; }
    bool HasSeenNIT() const { return m_nitSeen; }
    bool HasSeenSDT() const { return m_sdtSeen; }
    unsigned short GetOriginalNetworkId() const { return m_originalNetworkId; }
    bool HasTerrestrialDelivery() const { return m_hasTerrestrialDelivery; }
    const CDVBTerrestrialDeliveryDescriptor* GetTerrestrialDelivery() const { return m_terrestrialDelivery.get(); }
    // The name of the multiplex the user opened to receive it (UTF-8), or empty.
    const CString& GetName() const { return m_name; }
    void SetName(const CString& name) { m_name = name; }

private:
    unsigned short m_id;
    bool m_patSeen = false;
    bool m_nitSeen = false;
    unsigned short m_originalNetworkId = 0;
    bool m_hasTerrestrialDelivery = false;
    std::unique_ptr<CDVBTerrestrialDeliveryDescriptor> m_terrestrialDelivery;
    bool m_sdtSeen = false;
    CString m_name;
};
