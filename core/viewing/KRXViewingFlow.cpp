#include "viewing/KRXViewingFlow.h"

#include "platform/CriticalSection.h"
#include "platform/DebugOutput.h"
#include "platform/MessageBox.h"
#include "platform/ProfileSettings.h"
#include "plugin/DVBComponentDefinition.h"
#include "plugin/DVBComponentDefinitionList.h"
#include "plugin/DVBDisplay.h"
#include "plugin/KRXDecoderPlugin.h"
#include "plugin/KRXDisplayPlugin.h"
#include "plugin/KRXInputPlugin.h"
#include "plugin/KRXLanguage.h"
#include "plugin/KRXPluginManager.h"
#include "plugin/KRXSoundtrackChoice.h"
#include "plugin/KRXSubtitleChoice.h"
#include "si/DVBProgram.h"
#include "si/DVBProgramElement.h"
#include "si/DVBSICollector.h"
#include "si/DVBStandardTSUpdateHandler.h"
#include "stream/DVBPIDReceiver.h"
#include "stream/DVBProgramClock.h"
#include "stream/DVBTransportStreamReceiver.h"
#include "stream/DVBTransportStreamSource.h"

#include <algorithm>
#include <utility>

namespace {
const char* const Caption = "Korrix";
constexpr unsigned long StopTimeoutMs = 1000;

// "Video"; "Audio, Recorder" for two; empty for none.
CString JoinNames(const std::vector<CString>& names)
{
    CString text;
    for (const CString& name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text;
}
} // namespace

CKRXViewingFlow::CKRXViewingFlow(
    CKRXPluginManager& plugins, CDVBStandardTSUpdateHandler* updateHandler, CDVBSICollector* collector)
    : m_plugins(plugins)
    , m_updateHandler(updateHandler)
    , m_collector(collector)
{
    const CProfileSettings settings = CProfileSettings::ForUser();
    m_audioLanguage = settings.GetString("General", "Audio Language", GetLocaleLanguage());
    m_subtitleLanguage = settings.GetString("General", "Subtitle Language", GetLocaleLanguage());
    m_hearingImpaired = settings.GetInt("General", "Hearing Impaired Subtitles", 0) != 0;
    // Every receiver added here carries the cookie, so that exactly ours are
    // taken off again. Without randomness the program goes on with what it has.
    if (!CreateGuid(&m_cookie))
        KRXMessageBox("Failed to create guid.", Caption, KRX_MB_OK | KRX_MB_ICONERROR);
}

CKRXViewingFlow::~CKRXViewingFlow()
{
    CloseMultiplex();
    CloseDisplay();
}

bool CKRXViewingFlow::OpenMultiplex(CKRXInputPlugin* plugin, int index)
{
    CloseMultiplex();
    CDVBMultiplexDefinition* definition = plugin->GetMultiplexDefinitionAtIndex(index);
    return definition != nullptr && OpenMultiplex(plugin, definition);
}

bool CKRXViewingFlow::OpenMultiplex(CKRXInputPlugin* plugin, CDVBMultiplexDefinition* definition)
{
    CloseMultiplex();
    CDVBTransportStreamSource* source = plugin->OpenMultiplex(definition);
    if (source == nullptr)
        return false;
    StartReceiver(plugin, source);
    return true;
}

void CKRXViewingFlow::StartReceiver(CKRXInputPlugin* plugin, CDVBTransportStreamSource* source)
{
    m_inputPlugin = plugin;
    m_source = source;
    // Before the receiver is initialised: the source's read size depends on it.
    if (m_readOnce)
        source->SetSinglePass(true);
    m_receiver = new CDVBTransportStreamReceiver(source, m_updateHandler);
    m_receiver->SetSICollector(m_collector);
    if (m_collector != nullptr)
        m_collector->OnChangeTransportStream();
    m_receiver->Initialise();
    m_receiver->Start();
    m_serviceChosen = false;
}

bool CKRXViewingFlow::CloseMultiplex()
{
    if (m_receiver == nullptr)
        return true;
    // The recording ends before the receiver it copies from stops.
    if (m_receiver->GetRecordingStatus().recording)
        m_receiver->StopRecording();
    DeselectService();

    m_receiver->Stop();
    const bool stopped = m_receiver->WaitForStop(StopTimeoutMs);
    if (!stopped)
        KRXMessageBox("Failed to stop transport stream receiver.", Caption, KRX_MB_OK | KRX_MB_ICONERROR);
    m_receiver->DeInitialise();
    delete m_receiver;
    m_receiver = nullptr;

    m_inputPlugin->CloseMultiplex(m_source);
    m_source = nullptr;
    m_inputPlugin = nullptr;
    if (m_updateHandler != nullptr)
        m_updateHandler->ClearUpdates();
    return stopped;
}

bool CKRXViewingFlow::SelectService(unsigned short programNumber)
{
    DeselectService();
    if (m_receiver == nullptr)
        return false;
    m_programNumber = programNumber;
    m_clock = std::make_unique<CDVBProgramClock>();
    m_clock->SetTransportStreamReceiver(m_receiver);
    // Before any decoder starts, so that no picture of this service is flushed.
    if (m_display != nullptr)
        m_display->SetProgramClock(m_clock.get());
    // A file's first key picture has usually gone by when its service is
    // known: the first choice plays the file again from its start, the time
    // stamps going on, so nothing but that jump is seen.
    if (!std::exchange(m_serviceChosen, true))
        m_source->PlayFromStart();
    m_awaitingProgramMap = true;
    StartComponentsOnceListed();
    return true;
}

bool CKRXViewingFlow::StartComponentsOnceListed()
{
    if (!IsServiceSelected() || !m_awaitingProgramMap || !HasProgramMap())
        return false;
    m_awaitingProgramMap = false;
    m_clock->SetProgram(m_programNumber);
    ListComponents();
    SelectComponentsAutomatically();
    return true;
}

bool CKRXViewingFlow::HasProgramMap()
{
    CSingleLock lock(m_receiver->GetProgramsSection(), true);
    const CDVBProgram* program = m_receiver->GetProgram(m_programNumber);
    return program != nullptr && program->HasSeenPMT();
}

// Every receiver leaves the multiplex and the display first, then the display
// drops what they queued: a decoder waiting for room is let go at once, so
// handing the receivers back never waits on pictures of the old service.
void CKRXViewingFlow::DeselectService()
{
    if (!IsServiceSelected())
        return;
    std::vector<CDVBPIDReceiver*> receivers;
    for (int index = 0; index < static_cast<int>(m_components.size()); ++index)
        for (CDVBPIDReceiver* receiver : DetachComponent(index))
            receivers.push_back(receiver);
    if (m_display != nullptr)
        m_display->Flush();
    CloseReceivers(receivers);
    m_components.clear();
    if (m_display != nullptr)
        m_display->SetProgramClock(nullptr);
    m_clock.reset();
    m_programNumber = 0;
    m_awaitingProgramMap = false;
}

void CKRXViewingFlow::ListComponents()
{
    // Only the list is taken under the programme lock: opening components
    // adds receivers to PID lists, whose locks the receive thread holds while
    // it takes the programme lock, so holding both here could deadlock.
    CSingleLock lock(m_receiver->GetProgramsSection(), true);
    const CDVBProgram* program = m_receiver->GetProgram(m_programNumber);
    if (program == nullptr)
        return;
    for (const CDVBProgramElement* element : program->GetElements())
        for (const CString& description : element->GetComponentDescriptions())
            m_components.push_back({ element->GetPID(), description, false });
}

void CKRXViewingFlow::SelectComponentsAutomatically()
{
    // The first component of each description that some decoder accepts,
    // except that only one soundtrack and one subtitle component start:
    // several languages at once would play over each other. Only playable
    // components compete for those, so that a track in a coding no decoder
    // takes never keeps one in another coding from starting. The others stay
    // in the list for the user to select.
    const std::vector<int> playable = FindPlayableComponents();
    std::vector<CString> descriptions;
    for (int index : playable)
        descriptions.push_back(m_components[index].description);
    const auto chosen = [&playable](int choice) { return choice < 0 ? -1 : playable[choice]; };
    const int soundtrack = chosen(ChooseSoundtrack(descriptions, m_audioLanguage));
    const int subtitles = chosen(ChooseSubtitleComponent(descriptions, m_subtitleLanguage, m_hearingImpaired));
    CDVBComponentDefinitionList started;
    for (int index : playable) {
        const Component& component = m_components[index];
        if (started.ContainsComponentWithDescription(component.description))
            continue;
        if ((component.description.rfind("audio", 0) == 0 && index != soundtrack)
            || (IsSubtitleComponent(component.description) && index != subtitles))
            continue;
        CDVBComponentDefinition definition;
        if (!GetComponentDefinition(index, definition))
            continue;
        started.AddCopy(&definition);
        OpenComponent(index);
    }
}

// The indices of the components some decoder plug-in accepts, in list order.
std::vector<int> CKRXViewingFlow::FindPlayableComponents()
{
    std::vector<int> playable;
    for (int index = 0; index < static_cast<int>(m_components.size()); ++index) {
        CDVBComponentDefinition definition;
        if (GetComponentDefinition(index, definition) && IsSupportedByADecoder(&definition))
            playable.push_back(index);
    }
    return playable;
}

bool CKRXViewingFlow::IsSupportedByADecoder(CDVBComponentDefinition* definition)
{
    for (int index = 0; CKRXDecoderPlugin* decoder = GetDecoder(index); ++index) {
        if (decoder->SupportsComponent(definition))
            return true;
    }
    return false;
}

bool CKRXViewingFlow::GetComponentDefinition(int index, CDVBComponentDefinition& definition)
{
    const Component& component = m_components[size_t(index)];
    if (!m_receiver->GetComponentDefinition(m_programNumber, component.pid, &definition))
        return false;
    definition.SetDescription(component.description);
    return true;
}

bool CKRXViewingFlow::OpenComponent(int index)
{
    if (m_receiver == nullptr || !IsServiceSelected() || index < 0 || index >= static_cast<int>(m_components.size()))
        return false;
    Component& component = m_components[index];
    CDVBComponentDefinition definition;
    if (!GetComponentDefinition(index, definition))
        return false;
    definition.SetIndex(index);
    component.selected = true;
    // Each decoder that accepts the component decodes it with a receiver of its own.
    for (int decoderIndex = 0; CKRXDecoderPlugin* decoder = GetDecoder(decoderIndex); ++decoderIndex) {
        if (CDVBPIDReceiver* receiver = decoder->OpenComponent(&definition)) {
            component.showsPictures |= receiver->RequiresDisplay();
            AttachReceiver(receiver, component.pid);
            component.decoders.push_back(decoder->GetName());
            component.receivers.push_back(receiver);
        }
    }
    return true;
}

// A PMT may type a soundtrack wrongly: AAC as MPEG audio, say. The rule: a
// sound decoder that finds no frame of its own but runs of another coding's
// names that coding's stream type; the element then takes that stream type
// in the programme, which names the coding in its description, and the
// component is closed and offered again to every decoder, so the one that
// takes the coding plays it. The type stays corrected until a new PMT.
void CKRXViewingFlow::CheckSoundtrackCodings()
{
    if (m_receiver == nullptr || !IsServiceSelected())
        return;
    for (int index = 0; index < static_cast<int>(m_components.size()); ++index) {
        Component& component = m_components[index];
        CDVBPIDReceiver* sound
            = component.selected ? m_receiver->GetPIDReceiver(component.pid, DVB_RECEIVER_AUDIO) : nullptr;
        const unsigned char streamType = sound != nullptr ? sound->GetDetectedStreamType() : 0;
        if (streamType == 0)
            continue;
        {
            CSingleLock lock(m_receiver->GetProgramsSection(), true);
            const CDVBProgram* program = m_receiver->GetProgram(m_programNumber);
            CDVBProgramElement* element = program != nullptr ? program->GetProgramElement(component.pid) : nullptr;
            if (element == nullptr)
                continue;
            element->SetStreamType(streamType);
            component.description = element->GetDescription();
        }
        CloseComponent(index);
        OpenComponent(index);
    }
}

void CKRXViewingFlow::AttachReceiver(CDVBPIDReceiver* receiver, unsigned short pid)
{
    receiver->SetCookie(&m_cookie);
    receiver->SetProgramClock(m_clock.get());
    if (receiver->RequiresDisplay()) {
        if (m_display == nullptr)
            OpenDisplay();
        if (m_display != nullptr)
            receiver->SetDisplay(m_display);
    }
    m_receiver->AddPIDReceiver(pid, receiver);
}

void CKRXViewingFlow::CloseComponent(int index)
{
    if (m_receiver == nullptr || index < 0 || index >= static_cast<int>(m_components.size()))
        return;
    const std::vector<CDVBPIDReceiver*> receivers = DetachComponent(index);
    const bool showedPictures = std::any_of(receivers.begin(), receivers.end(),
        [](CDVBPIDReceiver* receiver) { return receiver->GetType() == DVB_RECEIVER_VIDEO; });
    if (showedPictures && m_display != nullptr)
        m_display->Flush();
    CloseReceivers(receivers);
}

std::vector<CDVBPIDReceiver*> CKRXViewingFlow::DetachComponent(int index)
{
    Component& component = m_components[index];
    component.selected = false;
    component.showsPictures = false;
    component.decoders.clear();
    std::vector<CDVBPIDReceiver*> receivers;
    for (CDVBPIDReceiver* receiver : std::exchange(component.receivers, {})) {
        if (!m_receiver->RemovePIDReceiver(component.pid, receiver))
            continue;
        if (receiver->RequiresDisplay() && m_display != nullptr)
            receiver->UnsetDisplay(m_display);
        receivers.push_back(receiver);
    }
    return receivers;
}

void CKRXViewingFlow::CloseReceivers(const std::vector<CDVBPIDReceiver*>& receivers)
{
    for (CDVBPIDReceiver* receiver : receivers) {
        // A receiver that cannot name its plug-in cannot be handed back; it is
        // left alone rather than deleted by someone who did not make it.
        if (CKRXDecoderPlugin* plugin = receiver->GetPlugin())
            plugin->CloseComponent(receiver);
        else
            DebugOutput("A decoder receiver without its plug-in was left open.\n");
    }
}

void CKRXViewingFlow::OpenDisplay()
{
    for (int index = 0;; ++index) {
        auto* plugin = static_cast<CKRXDisplayPlugin*>(m_plugins.GetPluginWithType(KRX_PLUGIN_DISPLAY, index));
        if (plugin == nullptr)
            return;
        if (CDVBDisplay* display = plugin->OpenDisplay(DisplayWidth, DisplayHeight)) {
            m_displayPlugin = plugin;
            m_display = display;
            break;
        }
    }
    m_display->SetProgramClock(m_clock.get());
    m_display->AddDisplayLayer(&m_logo);
    m_display->AddDisplayLayer(&m_infoPanel);
}

void CKRXViewingFlow::OpenPanelDisplay()
{
    if (m_display == nullptr)
        OpenDisplay();
}

void CKRXViewingFlow::CloseDisplay()
{
    if (m_display == nullptr)
        return;
    m_display->RemoveDisplayLayer(&m_infoPanel);
    m_display->RemoveDisplayLayer(&m_logo);
    m_displayPlugin->CloseDisplay(m_display);
    m_display = nullptr;
    m_displayPlugin = nullptr;
}

namespace {
bool IsSoundtrack(const CString& description)
{
    return description.starts_with("audio");
}
} // namespace

int CKRXViewingFlow::NextSoundtrack()
{
    return NextComponent(IsSoundtrack, false);
}

int CKRXViewingFlow::NextSubtitles()
{
    return NextComponent(IsSubtitleComponent, true);
}

int CKRXViewingFlow::NextComponent(bool (*isKind)(const CString& description), bool offAfterLast)
{
    if (m_receiver == nullptr || !IsServiceSelected())
        return -1;
    std::vector<int> choices;
    for (int index : FindPlayableComponents())
        if (isKind(m_components[index].description))
            choices.push_back(index);
    const auto playing
        = std::find_if(choices.begin(), choices.end(), [this](int index) { return m_components[index].selected; });
    const size_t at = size_t(playing - choices.begin());
    // The position after the last is "off" where there is one.
    const size_t positions = choices.size() + (offAfterLast ? 1 : 0);
    if (positions < 2)
        return -1;
    const size_t next = playing == choices.end() ? 0 : (at + 1) % positions;
    for (int index : choices)
        if (m_components[index].selected)
            CloseComponent(index);
    if (next == choices.size())
        return -1;
    OpenComponent(choices[next]);
    return choices[next];
}

void CKRXViewingFlow::CloseVideo()
{
    for (int index = 0; index < static_cast<int>(m_components.size()); ++index) {
        if (m_components[index].showsPictures)
            CloseComponent(index);
    }
    CloseDisplay();
}

CString CKRXViewingFlow::Component::GetDecoderNames() const
{
    return JoinNames(decoders);
}

CString CKRXViewingFlow::GetPlayingDecoderNames() const
{
    std::vector<CString> names;
    for (const Component& component : m_components)
        for (const CString& name : component.decoders)
            if (std::find(names.begin(), names.end(), name) == names.end())
                names.push_back(name);
    return JoinNames(names);
}

CKRXDecoderPlugin* CKRXViewingFlow::GetDecoder(int index) const
{
    return static_cast<CKRXDecoderPlugin*>(m_plugins.GetPluginWithType(KRX_PLUGIN_DECODER, index));
}
