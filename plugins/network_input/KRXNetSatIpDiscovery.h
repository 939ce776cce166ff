#pragma once
// The SAT>IP servers among SSDP replies: each server once (it may answer
// several times), with the name and tuners its device description gives.
#include "KRXNetSSDPReply.h"
#include "KRXNetTransfer.h"

#include <vector>

struct KRXNetSatIpServer {
    CString location;
    KRXNetSatIpDevice device; // empty when the description could not be had
    CString problem; // why not
};

std::vector<KRXNetSatIpServer> FindSatIpServers(const std::vector<CString>& replies, CKRXNetTransfer& transfer);
// "Box 4 (DVBS2-4,DVBC-2) at http://10.0.0.3:8080/d.xml"
CString DescribeSatIpServer(const KRXNetSatIpServer& server);
