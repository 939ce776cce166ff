#include "KRXTTBudgetInputPlugin.h"

#include "KRXTTChannelScan.h"
#include "KRXTTDvbv5Card.h"
#include "KRXTTInitialFileScan.h"
#include "KRXTTMultiplexDefinition.h"
#include "KRXTTStreamSource.h"

#include "platform/DebugOutput.h"
#include "platform/MessageBox.h"
#include "plugin/KRXMultiplexDialogs.h"
#include "plugin/KRXScanStart.h"

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

EKRXMultiplexKind CKRXTTBudgetInputPlugin::GetMultiplexKind()
{
    switch (m_frontendType) {
    case KRX_TT_FRONTEND_DVBS:
        return EKRXMultiplexKind::Satellite;
    case KRX_TT_FRONTEND_DVBC:
        return EKRXMultiplexKind::Cable;
    case KRX_TT_FRONTEND_DVBT:
        return EKRXMultiplexKind::Terrestrial;
    default:
        return EKRXMultiplexKind::None;
    }
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
    return "Supports the DVB-T/T2, DVB-S/S2 and DVB-C cards and sticks that Linux supports (any adapter under "
           "/dev/dvb).\r\n"
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
    if (m_frontendType == KRX_TT_FRONTEND_NONE) {
        Fail("Techno Trend card is not DVB-T, DVB-S or DVB-C.");
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

// A DVB-T card steps through its channels; the others start from an
// initial-tuning file the user chooses and follow the NITs from there.
bool CKRXTTBudgetInputPlugin::ScanForMultiplexDefinitions()
{
    if (!m_usable) {
        ShowError("There is no card to scan with: " + (m_status.empty() ? CString("no card opened") : m_status));
        return false;
    }
    CKRXMultiplexDialogs* dialogs = CKRXMultiplexDialogs::GetMultiplexDialogs();
    if (m_frontendType == KRX_TT_FRONTEND_DVBT) {
        CKRXTTChannelScan scan(*m_card, *this);
        return dialogs->RunScan(this, scan);
    }
    SKRXScanStart start;
    start.asksSwitchPort = m_frontendType == KRX_TT_FRONTEND_DVBS;
    if (!dialogs->AskScanStart(this, start))
        return false;
    CKRXTTInitialFileScan scan(*this, start.initialFile, start.switchPort);
    return dialogs->RunScan(this, scan);
}

bool CKRXTTBudgetInputPlugin::ScanInitialFile(const CString& path, int diseqcPort, const KRXTTScanProgress& progress,
    std::vector<KRXTTFoundMultiplex>& found, CString& error)
{
    if (!m_usable) {
        error = m_status.empty() ? CString("no card opened") : m_status;
        return false;
    }
    const bool completed = m_card->ScanInitialFile(path, diseqcPort, progress, found, error);
    // What was found before a stop is kept.
    AddFoundMultiplexes(found);
    return completed;
}

void CKRXTTBudgetInputPlugin::AddFoundMultiplexes(std::vector<KRXTTFoundMultiplex>& found)
{
    for (KRXTTFoundMultiplex& multiplex : found)
        AddFoundMultiplex(multiplex);
}

CKRXTTMultiplexDefinition* CKRXTTBudgetInputPlugin::FindSameMultiplex(const CKRXTTMultiplexDefinition& found)
{
    for (int i = 0; i < GetMultiplexDefinitionCount(); ++i) {
        auto* known = static_cast<CKRXTTMultiplexDefinition*>(GetMultiplexDefinitionAtIndex(i));
        // A satellite's frequency is used again on the other polarisation and behind other switch ports.
        if (known->m_frequency == found.m_frequency && known->m_powerType == found.m_powerType
            && known->m_diseqcPort == found.m_diseqcPort)
            return known;
    }
    return nullptr;
}

std::unique_ptr<CKRXTTMultiplexDefinition> CKRXTTBudgetInputPlugin::DefinitionOf(const KRXTTFoundMultiplex& found)
{
    auto definition = std::make_unique<CKRXTTMultiplexDefinition>(m_frontendType);
    definition->m_inversion = static_cast<int>(found.inversion);
    // A system or modulation the definition cannot hold leaves its own.
    if (FrontendTypeOfSystem(found.system) == m_frontendType)
        definition->m_system = found.system;
    if (found.modulation != KRX_TT_MODULATION_AUTO)
        definition->m_modulation = found.modulation;
    if (m_frontendType == KRX_TT_FRONTEND_DVBS) {
        definition->m_frequency = found.frequency / 1000;
        definition->m_symbolRate = found.symbolRate / 1000;
        definition->m_powerType = static_cast<int>(found.voltage);
        definition->m_viterbi = static_cast<int>(found.viterbi);
        definition->m_rollOff = static_cast<int>(found.rollOff);
        definition->m_streamId = found.streamId;
        definition->m_diseqcPort = found.diseqcPort;
    } else if (m_frontendType == KRX_TT_FRONTEND_DVBC) {
        definition->m_frequency = found.frequency;
        definition->m_symbolRate = found.symbolRate / 1000;
    } else {
        definition->m_frequency = found.frequency;
        definition->SetChannelFromFrequency();
        definition->m_bandwidth = static_cast<int>(found.bandwidth);
        definition->m_streamId = std::max(found.streamId, 0);
    }
    return definition;
}

// "Bandwidth 8MHz -> 7MHz; Delivery System DVB-T -> DVB-T2", the name left out.
CString CKRXTTBudgetInputPlugin::DescribeChanges(CKRXTTMultiplexDefinition& from, CKRXTTMultiplexDefinition& to)
{
    CString changes;
    for (int index = 1; index < to.GetTotalFieldCount(); ++index) {
        CString before, after;
        from.WriteFieldToString(index, before);
        to.WriteFieldToString(index, after);
        if (before != after)
            changes += (changes.empty() ? "" : "; ") + to.GetFieldName(index) + " " + before + " -> " + after;
    }
    return changes;
}

void CKRXTTBudgetInputPlugin::AddFoundMultiplex(KRXTTFoundMultiplex& found)
{
    std::unique_ptr<CKRXTTMultiplexDefinition> definition = DefinitionOf(found);
    CKRXTTMultiplexDefinition* known = FindSameMultiplex(*definition);
    if (known == nullptr) {
        definition->m_name = FormatString("Mux %d", GetMultiplexDefinitionCount() + 1);
        found.definitionName = definition->m_name;
        found.change = "new";
        AddMultiplexDefinition(definition.release());
        return;
    }
    found.definitionName = known->m_name;
    found.change = DescribeChanges(*known, *definition);
    if (found.change.empty())
        return;
    definition->m_name = known->m_name;
    *known = *definition;
}

bool CKRXTTBudgetInputPlugin::ConfigureMultiplexDefinition(CDVBMultiplexDefinition* definition)
{
    return CKRXMultiplexDialogs::GetMultiplexDialogs()->ConfigureMultiplexDefinition(this, definition);
}

CDVBMultiplexDefinition* CKRXTTBudgetInputPlugin::CreateMultiplexDefinition()
{
    return new CKRXTTMultiplexDefinition(m_frontendType);
}
