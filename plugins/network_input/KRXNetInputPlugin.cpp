#include "KRXNetInputPlugin.h"

#include "KRXNetCurlRTSPClient.h"
#include "KRXNetCurlTransfer.h"
#include "KRXNetDatagramSource.h"
#include "KRXNetHTTPSource.h"
#include "KRXNetMultiplexDefinition.h"
#include "KRXNetRefusedSource.h"
#include "KRXNetSatIpSession.h"
#include "KRXNetSatIpSource.h"
#include "KRXNetUDPSocket.h"

#include "plugin/KRXMultiplexDialogs.h"

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

CDVBMultiplexDefinition* CKRXNetInputPlugin::CreateMultiplexDefinition()
{
    return new CKRXNetMultiplexDefinition;
}
