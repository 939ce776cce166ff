#include "KRXNetInputPlugin.h"

#include "KRXNetCurlRTSPClient.h"
#include "KRXNetCurlTransfer.h"
#include "KRXNetDatagramSource.h"
#include "KRXNetHTTPSource.h"
#include "KRXNetMultiplexDefinition.h"
#include "KRXNetRefusedSource.h"
#include "KRXNetRegionFile.h"
#include "KRXNetSatIpScan.h"
#include "KRXNetSatIpSession.h"
#include "KRXNetSatIpSource.h"
#include "KRXNetUDPSocket.h"

#include "platform/MessageBox.h"
#include "plugin/KRXMultiplexDialogs.h"
#include "plugin/KRXScanStart.h"

CDVBTransportStreamSource* CKRXNetInputPlugin::OpenMultiplex(CDVBMultiplexDefinition* definition)
{
    // Only the URL matters; it is field 1 of any definition that has one.
    CString text;
    if (definition != nullptr)
        definition->WriteFieldToString(CKRXNetMultiplexDefinition::URLField, text);
    KRXNetURL url;
    CString error;
    if (!ParseNetURL(text, url, error))
        return new CKRXNetRefusedSource("cannot play '" + text + "': " + error);
    switch (url.kind) {
    case KRXNetURL::UDP:
    case KRXNetURL::RTP:
        return new CKRXNetDatagramSource(std::make_unique<CKRXNetUDPSocket>(), url);
    case KRXNetURL::HTTP:
        return new CKRXNetHTTPSource(std::make_unique<CKRXNetCurlTransfer>(), url.text);
    case KRXNetURL::SATIP:
        break;
    }
    return new CKRXNetSatIpSource(
        std::make_unique<CKRXNetCurlRTSPClient>(CKRXNetSatIpSession::ServerURI(url)),
        [] { return std::make_unique<CKRXNetUDPSocket>(); }, url);
}

bool CKRXNetInputPlugin::CloseMultiplex(CDVBTransportStreamSource* source)
{
    delete source;
    return true;
}

bool CKRXNetInputPlugin::ConfigureMultiplexDefinition(CDVBMultiplexDefinition* definition)
{
    return CKRXMultiplexDialogs::GetMultiplexDialogs()->ConfigureMultiplexDefinition(this, definition);
}

bool CKRXNetInputPlugin::ScanForMultiplexDefinitions()
{
    CKRXMultiplexDialogs* dialogs = CKRXMultiplexDialogs::GetMultiplexDialogs();
    SKRXScanStart start;
    start.asksServer = true;
    if (!dialogs->AskScanStart(this, start))
        return false;
    std::vector<KRXNetRegionEntry> entries;
    CString error;
    if (!ReadNetRegionFile(start.initialFile, entries, error)) {
        KRXMessageBox("The scan cannot start: " + error, "Korrix", KRX_MB_OK | KRX_MB_ICONERROR);
        return false;
    }
    CKRXNetSatIpScan scan(*this, start.server, std::move(entries), start.source);
    return dialogs->RunScan(this, scan);
}

CDVBMultiplexDefinition* CKRXNetInputPlugin::CreateMultiplexDefinition()
{
    return new CKRXNetMultiplexDefinition;
}
