#include "KRXTTBudgetInputPlugin.h"

#include "KRXTTChannelScan.h"
#include "KRXTTDvbv5Card.h"
#include "KRXTTMultiplexDefinition.h"
#include "KRXTTStreamSource.h"

#include "platform/DebugOutput.h"
#include "platform/MessageBox.h"
#include "plugin/KRXMultiplexDialogs.h"

namespace {
const char* const Caption = "Korrix";

void ShowError(const CString& message)
{
    KRXMessageBox(message, Caption, KRX_MB_OK | KRX_MB_ICONERROR);
}
} // namespace

CKRXTTBudgetInputPlugin::CKRXTTBudgetInputPlugin()
    : CKRXTTBudgetInputPlugin(std::make_unique<CKRXTTDvbv5Card>())
{
}

CKRXTTBudgetInputPlugin::CKRXTTBudgetInputPlugin(std::unique_ptr<CKRXTTCard> card)
    : m_card(std::move(card))
{
}

CKRXTTBudgetInputPlugin::~CKRXTTBudgetInputPlugin()
{
    if (m_opened)
        m_card->CloseDevice();
}

CString CKRXTTBudgetInputPlugin::GetName()
{
    switch (m_frontendType) {
    case KRX_TT_FRONTEND_DVBS:
        return "TT Budget DVB-S";
    case KRX_TT_FRONTEND_DVBC:
        return "TT Budget DVB-C";
    case KRX_TT_FRONTEND_DVBT:
        return "TT Budget DVB-T";
    default:
        return "TT Budget DVB Card";
    }
}

CString CKRXTTBudgetInputPlugin::GetDescription()
{
    return "Supports the DVB-T and DVB-S cards and sticks that Linux supports (any adapter under /dev/dvb).\r\n"
           "Based on the Linux DVB API version 5 through libdvbv5.\r\n"
           "https://www.linuxtv.org/\r\n";
}

CString CKRXTTBudgetInputPlugin::DeviceChoiceMessage(int deviceCount)
{
    CString message = "You appear to have multiple TT devices installed.\r\n"
                      "Click Yes to use device 0.\r\n"
                      "Click No to use device 1.\r\n";
    if (deviceCount > 2)
        message += "Click Cancel to use device 2.\r\n";
    return message;
}

int CKRXTTBudgetInputPlugin::DecideDevice(int deviceCount)
{
    if (m_chosenDevice >= 0)
        return m_chosenDevice;
    if (deviceCount == 1)
        return 0;
    const unsigned buttons = deviceCount == 2 ? KRX_MB_YESNO : KRX_MB_YESNOCANCEL;
    const int answer = KRXMessageBox(DeviceChoiceMessage(deviceCount), Caption, buttons | KRX_MB_ICONQUESTION);
    return answer == KRX_IDNO ? 1 : answer == KRX_IDCANCEL ? 2 : 0;
}

void CKRXTTBudgetInputPlugin::Fail(const CString& message)
{
    m_status = message;
    ShowError(message);
}

void CKRXTTBudgetInputPlugin::Initialise()
{
    const int count = m_card->GetNumberOfDevices();
    if (count == 0) {
        // Most people play files and have no card: that is no error to show.
        m_status = "No TT cards installed.";
        DebugOutput(m_status + "\n");
        return;
    }
    const int device = DecideDevice(count);
    if (device >= count) {
        Fail(FormatString("There is no DVB adapter %d.", device));
        return;
    }
    if (!OpenCard(device))
        return;
    m_frontendType = m_card->GetFrontendType();
    if (m_frontendType != KRX_TT_FRONTEND_DVBT && m_frontendType != KRX_TT_FRONTEND_DVBS) {
        Fail("Techno Trend card is not DVB-T or DVB-S.");
        return;
    }
    m_usable = true;
    m_status = "";
    LoadMultiplexDefinitions();
}

bool CKRXTTBudgetInputPlugin::OpenCard(int device)
{
    switch (m_card->OpenDevice(device)) {
    case CKRXTTCard::Opened:
        break;
    case CKRXTTCard::NotAllowed:
        Fail("Failed to open TT Card.\r\nYou are not allowed to use " + m_card->GetDevicePath(device)
            + ". Add yourself to the 'video' group (sudo usermod -aG video $USER), then log out and in again.");
        return false;
    case CKRXTTCard::OpenFailed:
        Fail("Failed to open TT Card.");
        return false;
    }
    m_opened = true;
    if (!m_card->ResetInit()) {
        Fail("Failed to reset/initialise TT Card.");
        return false;
    }
    if (!m_card->EnableDataDMA(true)) {
        Fail("Failed to initialise DMA for TT Card.");
        return false;
    }
    if (!m_card->InitFrontend()) {
        Fail("Failed to initialise TT Card frontend.");
        return false;
    }
    return true;
}

void CKRXTTBudgetInputPlugin::DeInitialise()
{
    DeleteAllMultiplexDefinitions();
    if (m_opened) {
        m_card->EnableDataDMA(false);
        m_card->CloseDevice();
    }
    m_opened = false;
    m_usable = false;
}

CDVBTransportStreamSource* CKRXTTBudgetInputPlugin::OpenMultiplex(CDVBMultiplexDefinition* definition)
{
    CKRXTTMultiplexDefinition copy(m_frontendType);
    if (definition != nullptr)
        copy.CopyFrom(definition);
    // Without a usable card the source only says why it delivers nothing.
    if (!m_usable)
        return new CKRXTTStreamSource(nullptr, copy, m_status.empty() ? CString("no card opened") : m_status);
    return new CKRXTTStreamSource(m_card.get(), copy);
}

bool CKRXTTBudgetInputPlugin::CloseMultiplex(CDVBTransportStreamSource* source)
{
    delete source;
    return true;
}

bool CKRXTTBudgetInputPlugin::ScanForMultiplexDefinitions()
{
    if (!m_usable || m_frontendType != KRX_TT_FRONTEND_DVBT) {
        ShowError("Channel scan currently only supported for DVB-T devices.");
        return false;
    }
    CKRXTTChannelScan scan(*m_card, *this);
    return CKRXMultiplexDialogs::GetMultiplexDialogs()->RunScan(this, scan);
}

bool CKRXTTBudgetInputPlugin::ScanInitialFile(
    const CString& path, const KRXTTScanProgress& progress, std::vector<KRXTTFoundMultiplex>& found, CString& error)
{
    if (!m_usable) {
        error = m_status.empty() ? CString("no card opened") : m_status;
        return false;
    }
    const bool completed = m_card->ScanInitialFile(path, progress, found, error);
    // What was found before a stop is kept.
    for (const KRXTTFoundMultiplex& multiplex : found)
        AddFoundMultiplex(multiplex);
    return completed;
}

bool CKRXTTBudgetInputPlugin::HasDefinitionAt(uint32_t frequency)
{
    for (int i = 0; i < GetMultiplexDefinitionCount(); ++i) {
        if (static_cast<CKRXTTMultiplexDefinition*>(GetMultiplexDefinitionAtIndex(i))->m_frequency == frequency)
            return true;
    }
    return false;
}

void CKRXTTBudgetInputPlugin::AddFoundMultiplex(const KRXTTFoundMultiplex& found)
{
    auto* definition = static_cast<CKRXTTMultiplexDefinition*>(CreateMultiplexDefinition());
    definition->m_inversion = static_cast<int>(found.inversion);
    if (m_frontendType == KRX_TT_FRONTEND_DVBS) {
        definition->m_frequency = found.frequency / 1000;
        definition->m_symbolRate = found.symbolRate / 1000;
        definition->m_powerType = static_cast<int>(found.voltage);
        definition->m_viterbi = static_cast<int>(found.viterbi);
    } else {
        definition->m_frequency = found.frequency;
        definition->SetChannelFromFrequency();
        definition->m_bandwidth = static_cast<int>(found.bandwidth);
    }
    if (HasDefinitionAt(definition->m_frequency)) {
        delete definition;
        return;
    }
    definition->m_name = FormatString("Mux %d", GetMultiplexDefinitionCount() + 1);
    AddMultiplexDefinition(definition);
}

bool CKRXTTBudgetInputPlugin::ConfigureMultiplexDefinition(CDVBMultiplexDefinition* definition)
{
    if (m_frontendType != KRX_TT_FRONTEND_DVBT && m_frontendType != KRX_TT_FRONTEND_DVBS) {
        ShowError("Tuning not yet supported for DVB-C devices.");
        return false;
    }
    return CKRXMultiplexDialogs::GetMultiplexDialogs()->ConfigureMultiplexDefinition(this, definition);
}

CDVBMultiplexDefinition* CKRXTTBudgetInputPlugin::CreateMultiplexDefinition()
{
    return new CKRXTTMultiplexDefinition(m_frontendType);
}
