#include "viewing/KRXMainDialogModel.h"

#include "platform/Clock.h"
#include "platform/OpenFiles.h"
#include "platform/SystemTime.h"
#include "plugin/DVBMultiplexDefinition.h"
#include "plugin/KRXAVLog.h"
#include "plugin/KRXInputPlugin.h"
#include "plugin/KRXOutputFaults.h"
#include "plugin/KRXPluginManager.h"
#include "si/DVBProgram.h"
#include "stream/DVBRecordingParameters.h"
#include "stream/DVBTransportStreamReceiver.h"

#include "platform/Clock.h"
#include "viewing/KRXRecordingName.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <filesystem>

CKRXMainDialogModel::CKRXMainDialogModel(CKRXPluginManager& plugins, const CString& exportFolder)
    : m_plugins(plugins)
    , m_collector(exportFolder)
    , m_flow(plugins, &m_updates, &m_collector)
{
}

CKRXMainDialogModel::~CKRXMainDialogModel()
{
    Shutdown();
}

std::vector<CString> CKRXMainDialogModel::GetInputNames() const
{
    std::vector<CString> names;
    for (int index = 0; CKRXPlugin* plugin = m_plugins.GetPluginWithType(KRX_PLUGIN_INPUT, index); ++index)
        names.push_back(plugin->GetName());
    return names;
}

CKRXInputPlugin* CKRXMainDialogModel::GetInputPlugin() const
{
    return static_cast<CKRXInputPlugin*>(m_plugins.GetPluginWithType(KRX_PLUGIN_INPUT, m_inputIndex));
}

bool CKRXMainDialogModel::SelectInput(int index)
{
    CloseMultiplex();
    m_inputIndex = -1;
    m_multiplexNames.clear();
    if (index < 0 || m_plugins.GetPluginWithType(KRX_PLUGIN_INPUT, index) == nullptr)
        return false;
    m_inputIndex = index;
    CKRXInputPlugin* input = GetInputPlugin();
    auto position = input->GetFirstMultiplexDefinitionPosition();
    while (input->IsValid(position))
        m_multiplexNames.push_back(input->GetNextMultiplexDefinition(position)->GetName());
    return true;
}

bool CKRXMainDialogModel::OpenMultiplex(int index)
{
    CloseMultiplex();
    CKRXInputPlugin* input = GetInputPlugin();
    if (input == nullptr || !m_flow.OpenMultiplex(input, index))
        return false;
    m_multiplexIndex = index;
    return true;
}

bool CKRXMainDialogModel::CloseMultiplex()
{
    const bool stopped = m_flow.CloseMultiplex();
    m_rows.Clear();
    m_multiplexIndex = -1;
    m_transportStreamId.reset();
    return stopped;
}

bool CKRXMainDialogModel::SelectService(unsigned short programNumber)
{
    DeselectService();
    if (m_flow.GetReceiver() == nullptr)
        return false;
    CKRXAVLog::Write(FormatString("select,%u,%" PRId64, programNumber, GetMonotonicNanoseconds()));
    const bool selected = m_flow.SelectService(programNumber);
    ShowInfo();
    return selected;
}

namespace {
int64_t NowMs()
{
    return GetMonotonicNanoseconds() / 1000000;
}
} // namespace

// Under the programme lock; empty lines without a service.
CKRXInfoPanel::Lines CKRXMainDialogModel::DescribeService() const
{
    CDVBTransportStreamReceiver* receiver = m_flow.GetReceiver();
    if (receiver == nullptr || !m_flow.IsServiceSelected())
        return {};
    CSingleLock lock(receiver->GetProgramsSection(), true);
    CDVBProgram* program = receiver->GetProgram(m_flow.GetProgramNumber());
    const int64_t utc = std::time(nullptr);
    return program == nullptr ? CKRXInfoPanel::Lines()
                              : CKRXInfoPanel::Describe(*program, utc + GetLocalOffsetSeconds(utc));
}

bool CKRXMainDialogModel::IsRadioSelected() const
{
    CDVBTransportStreamReceiver* receiver = m_flow.GetReceiver();
    if (receiver == nullptr || !m_flow.IsServiceSelected())
        return false;
    CSingleLock lock(receiver->GetProgramsSection(), true);
    const CDVBProgram* program = receiver->GetProgram(m_flow.GetProgramNumber());
    return program != nullptr && program->GetServiceTypeFromPMT() == DVB_SERVICE_RADIO;
}

void CKRXMainDialogModel::ShowInfo()
{
    const bool radio = IsRadioSelected();
    // A radio service started first has no picture to open the window.
    if (radio)
        m_flow.OpenPanelDisplay();
    m_flow.GetInfoPanel().Show(DescribeService(), NowMs(), radio ? -1 : CKRXInfoPanel::ShowMs);
}

void CKRXMainDialogModel::ToggleInfo()
{
    m_flow.GetInfoPanel().Toggle(DescribeService());
}

// While it shows, the panel follows the events as they come and go.
void CKRXMainDialogModel::TickInfo()
{
    CKRXInfoPanel& panel = m_flow.GetInfoPanel();
    panel.OnTick(NowMs());
    if (panel.IsShown())
        panel.SetLines(DescribeService());
}

void CKRXMainDialogModel::DeselectService()
{
    m_flow.DeselectService();
}

CString CKRXMainDialogModel::GetWindowTitle() const
{
    if (!m_flow.IsServiceSelected())
        return "Korrix";
    return FormatString("Korrix [%s]", GetServiceName(m_flow.GetProgramNumber()).c_str());
}

CString CKRXMainDialogModel::GetServiceName(unsigned short programNumber) const
{
    const int row = m_rows.Find(programNumber);
    return row >= 0 ? m_rows.GetRows()[row].name : FormatString("Service %u", programNumber);
}

bool CKRXMainDialogModel::DescribeFavourite(unsigned short programNumber, SKRXFavourite& favourite) const
{
    if (m_multiplexIndex < 0)
        return false;
    favourite = { GetInputPlugin()->GetName(), m_multiplexNames[m_multiplexIndex], programNumber,
        GetServiceName(programNumber) };
    return true;
}

SKRXViewingStatus CKRXMainDialogModel::GetStatus() const
{
    CDVBTransportStreamReceiver* receiver = m_flow.GetReceiver();
    const int multiplexes = static_cast<int>(m_multiplexNames.size());
    if (receiver == nullptr) {
        // An input with something to say about itself (no card found) says it
        // in place of the plain "nothing selected".
        CKRXInputPlugin* input = GetInputPlugin();
        const CString inputStatus = input ? input->GetInputStatus() : CString();
        if (!inputStatus.empty())
            return { inputStatus, false };
        return DescribeViewingStatus(nullptr, multiplexes);
    }
    const SKRXReceptionFigures figures = ReadReceptionFigures(*receiver, *m_flow.GetSource());
    SKRXViewingStatus status = DescribeViewingStatus(&figures, multiplexes);
    status.text += DescribeDecoders(m_flow);
    return status;
}

void CKRXMainDialogModel::NotePlace(const CDVBProgram& program)
{
    if (!program.HasSeenPAT() || m_transportStreamId == program.GetTransportStreamIdFromPAT() || m_multiplexIndex < 0)
        return;
    m_transportStreamId = program.GetTransportStreamIdFromPAT();
    const CString& multiplex = m_multiplexNames[m_multiplexIndex];
    m_places[*m_transportStreamId] = { GetInputPlugin()->GetName(), multiplex };
    m_collector.NameTransportStream(*m_transportStreamId, multiplex);
}

std::vector<CKRXServiceRows::Change> CKRXMainDialogModel::TakeServiceUpdates()
{
    std::vector<CKRXServiceRows::Change> changes;
    CDVBTransportStreamReceiver* receiver = m_flow.GetReceiver();
    if (receiver == nullptr || !m_updates.HaveUpdatesOccurred())
        return changes;
    CSingleLock lock(receiver->GetProgramsSection(), true);
    unsigned short id = 0;
    int type = 0;
    while (m_updates.RemoveUpdate(id, type)) {
        CDVBProgram* program = receiver->GetProgram(id);
        if (program == nullptr)
            continue;
        NotePlace(*program);
        const CKRXServiceRows::Change change = m_rows.Update(*program);
        if (change.what != 0)
            changes.push_back(change);
    }
    m_updates.ClearUpdates();
    return changes;
}

CString CKRXMainDialogModel::GetServiceInfoTip(unsigned short programNumber)
{
    CDVBTransportStreamReceiver* receiver = m_flow.GetReceiver();
    if (receiver == nullptr)
        return "";
    CSingleLock lock(receiver->GetProgramsSection(), true);
    CDVBProgram* program = receiver->GetProgram(programNumber);
    return program == nullptr ? CString() : CKRXServiceRows::GetInfoTip(*program);
}

int CKRXMainDialogModel::Configure()
{
    CKRXInputPlugin* input = GetInputPlugin();
    if (input == nullptr)
        return -1;
    const CString openName = m_multiplexIndex >= 0 ? m_multiplexNames[m_multiplexIndex] : CString();
    const bool wasOpen = m_multiplexIndex >= 0;
    CloseMultiplex();
    if (input->ConfigureMultiplexDefinitions())
        SelectInput(m_inputIndex);
    if (!wasOpen)
        return -1;
    const auto found = std::find(m_multiplexNames.begin(), m_multiplexNames.end(), openName);
    return found == m_multiplexNames.end() ? -1 : static_cast<int>(found - m_multiplexNames.begin());
}

bool CKRXMainDialogModel::StartRecording(const CString& path, CString& error, bool serviceOnly)
{
    if (serviceOnly && m_flow.GetReceiver() != nullptr && !m_flow.IsServiceSelected()) {
        error = "Select a service to record it alone.";
        return false;
    }
    return RecordService(path, error, serviceOnly ? m_flow.GetProgramNumber() : 0);
}

bool CKRXMainDialogModel::RecordService(const CString& path, CString& error, unsigned short serviceId)
{
    CDVBTransportStreamReceiver* receiver = m_flow.GetReceiver();
    if (receiver == nullptr) {
        error = "Select a multiplex to record first.";
        return false;
    }
    // Starting a recording empties its file: never the one being played.
    if (IsFileOpenInThisProcess(path)) {
        error = "Cannot record to \"" + path + "\": Korrix is reading that file.";
        return false;
    }
    CDVBRecordingParameters parameters(path, 0);
    parameters.SetServiceID(serviceId);
    if (!receiver->StartRecording(&parameters)) {
        error = "Failed to create the record file \"" + path + "\": " + receiver->GetRecordingStatus().writeError + ".";
        return false;
    }
    m_recordingPath = path;
    m_recordingFaultTold = false;
    m_recordingStartMs = GetMillisecondTime();
    return true;
}

CString CKRXMainDialogModel::MakeRecordingPath(const CString& chosen)
{
    // A device or a pipe (/dev/null, a FIFO a viewer reads) is written as
    // named: only files get dated names.
    std::error_code statusError;
    const std::filesystem::file_status status = std::filesystem::status(chosen, statusError);
    if (!statusError && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
        return chosen;
    const std::time_t now = std::time(nullptr);
    std::tm when {};
    localtime_r(&now, &when);
    return CKRXRecordingName::FirstFree(CKRXRecordingName::Stamp(chosen, when), [](const CString& path) {
        std::error_code error;
        return std::filesystem::exists(path, error);
    });
}

CString CKRXMainDialogModel::GetRecordingProgress() const
{
    CDVBTransportStreamReceiver* receiver = m_flow.GetReceiver();
    if (receiver == nullptr)
        return "";
    const CDVBRecordingStatus status = receiver->GetRecordingStatus();
    if (!status.recording)
        return "";
    return CKRXRecordingName::FormatProgress((GetMillisecondTime() - m_recordingStartMs) / 1000, status.bytesWritten);
}

void CKRXMainDialogModel::StopRecording()
{
    if (CDVBTransportStreamReceiver* receiver = m_flow.GetReceiver())
        receiver->StopRecording();
}

bool CKRXMainDialogModel::IsRecording() const
{
    CDVBTransportStreamReceiver* receiver = m_flow.GetReceiver();
    return receiver != nullptr && receiver->GetRecordingStatus().recording;
}

CString CKRXMainDialogModel::TakeOutputFaults()
{
    CString text;
    CDVBTransportStreamReceiver* receiver = m_flow.GetReceiver();
    const CDVBRecordingStatus recording = receiver ? receiver->GetRecordingStatus() : CDVBRecordingStatus();
    if (recording.writeFailed && !m_recordingFaultTold) {
        m_recordingFaultTold = true;
        StopRecording();
        text = "Cannot write the recording \"" + m_recordingPath + "\": " + recording.writeError
            + ". Recording has stopped; the file holds the whole packets written before.";
    }
    for (const CKRXOutputFaults::Fault& fault : CKRXOutputFaults::Take()) {
        CString line = CKRXOutputFaults::Describe(fault) + ".";
        line[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(line[0])));
        text += (text.empty() ? "" : "\n") + line;
    }
    return text;
}

void CKRXMainDialogModel::Shutdown()
{
    StopRecording();
    CloseMultiplex();
    m_inputIndex = -1;
    m_flow.CloseDisplay();
}
