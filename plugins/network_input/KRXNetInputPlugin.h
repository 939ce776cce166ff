#pragma once
// The input plug-in for streams from the network: UDP and RTP (multicast or
// not), HTTP(S) and SAT>IP servers. Each multiplex is a name and a URL.
#include "plugin/KRXInputPlugin.h"

class CKRXNetInputPlugin : public CKRXInputPlugin
{
public:
    CString GetName() override { return "Network"; }
    CString GetDescription() override
    {
        return "Receives transport streams from the network: UDP, RTP, HTTP and SAT>IP.";
    }
    CDVBTransportStreamSource* OpenMultiplex(CDVBMultiplexDefinition* definition) override;
    bool CloseMultiplex(CDVBTransportStreamSource* source) override;
    bool ConfigureMultiplexDefinition(CDVBMultiplexDefinition* definition) override;
    CDVBMultiplexDefinition* CreateMultiplexDefinition() override;
    EKRXMultiplexKind GetMultiplexKind() override { return EKRXMultiplexKind::Network; }
    // Through a SAT>IP server, from a region's initial-tuning file.
    bool ScanForMultiplexDefinitions() override;
    bool CanScanForMultiplexDefinitions() override { return true; }
};
