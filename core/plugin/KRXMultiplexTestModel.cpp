#include "plugin/KRXMultiplexTestModel.h"

#include "platform/MessageBox.h"
#include "plugin/DVBMultiplexDefinition.h"
#include "plugin/KRXInputPlugin.h"
#include "plugin/KRXReceptionStatus.h"
#include "si/DVBProgram.h"
#include "si/DVBStandardTSUpdateHandler.h"
#include "si/DVBText.h"
#include "stream/DVBTransportStreamReceiver.h"
#include "stream/DVBTransportStreamSource.h"

SKRXTestStatus FormatMultiplexTestStatus(
    int secondsSinceStart, bool dataBeingReceived, int bitrate, const CString& sourceStatus)
{
    if (secondsSinceStart < 1)
        return { "Looking for service information...", EKRXTestIcon::Receiving };
    if (!dataBeingReceived)
        return { FormatNoData(secondsSinceStart), EKRXTestIcon::NoData };
    CString text = FormatDataRate(bitrate);
    text += sourceStatus.empty() ? CString(".") : " [" + sourceStatus + "]";
    return { text, EKRXTestIcon::Receiving };
}

CKRXMultiplexTestModel::CKRXMultiplexTestModel(CKRXInputPlugin* plugin, CDVBMultiplexDefinition* definition)
    : m_plugin(plugin)
    , m_definition(definition)
{
}

CKRXMultiplexTestModel::~CKRXMultiplexTestModel()
{
    Close();
}

CString CKRXMultiplexTestModel::GetCaption() const
{
    return "Testing multiplex [" + m_definition->GetName() + "]";
}

bool CKRXMultiplexTestModel::OnTick()
{
    if (m_closed)
        return false;
    if (m_receiver == nullptr)
        StartReceiver();
    else
        UpdateStatus();
    return UpdateServices();
}

void CKRXMultiplexTestModel::StartReceiver()
{
    m_handler = std::make_unique<CDVBStandardTSUpdateHandler>();
    // Tuning happens here. A plug-in that could not tune and gave no source
    // is shown an empty one of ours, which reads as no data.
    m_source = m_plugin->OpenMultiplex(m_definition);
    if (m_source == nullptr)
        m_emptySource = std::make_unique<CDVBTransportStreamSource>();
    m_receiver = std::make_unique<CDVBTransportStreamReceiver>(GetReceivedSource(), m_handler.get());
    m_receiver->Initialise();
    m_receiver->Start();
    m_status.text = "";
}

void CKRXMultiplexTestModel::UpdateStatus()
{
    CString sourceStatus;
    GetReceivedSource()->GetStatus(sourceStatus);
    m_status = FormatMultiplexTestStatus(m_receiver->GetSecondsSinceStart(), m_receiver->IsDataBeingReceived(),
        m_receiver->GetReceivedBitrate(), sourceStatus);
}

bool CKRXMultiplexTestModel::UpdateServices()
{
    if (m_handler == nullptr || !m_handler->HaveUpdatesOccurred())
        return false;
    bool changed = false;
    {
        CSingleLock lock(m_receiver->GetProgramsSection(), true);
        unsigned short id = 0;
        int type = 0;
        while (m_handler->RemoveUpdate(id, type)) {
            if (const CDVBProgram* program = m_receiver->GetProgram(id))
                changed = UpdateService(*program) || changed;
        }
    }
    m_handler->ClearUpdates();
    return changed;
}

bool CKRXMultiplexTestModel::UpdateService(const CDVBProgram& program)
{
    const CString name = DVBTextToUTF8(program.GetServiceName());
    const int type = program.GetServiceTypeFromPMT();
    for (Service& service : m_services) {
        if (service.programNumber != program.GetProgramNumber())
            continue;
        const bool changed = service.name != name || service.serviceType != type;
        service.name = name;
        service.serviceType = type;
        return changed;
    }
    m_services.push_back({ program.GetProgramNumber(), name, type });
    return true;
}

void CKRXMultiplexTestModel::Close()
{
    m_closed = true;
    if (m_receiver != nullptr) {
        m_receiver->Stop();
        if (!m_receiver->WaitForStop(StopTimeoutMs))
            KRXMessageBox("Failed to stop transport stream receiver.", "Test Multiplex", KRX_MB_OK | KRX_MB_ICONERROR);
        m_receiver->DeInitialise();
        m_receiver.reset();
    }
    if (m_source != nullptr) {
        m_plugin->CloseMultiplex(m_source);
        m_source = nullptr;
    }
    m_emptySource.reset();
    m_handler.reset();
}
