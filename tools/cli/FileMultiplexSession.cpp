#include "FileMultiplexSession.h"

#include "plugin/KRXLoadedPlugins.h"

#include "platform/Clock.h"
#include "platform/Event.h"
#include "plugin/DVBMultiplexDefinition.h"
#include "plugin/KRXInputPlugin.h"
#include "plugin/KRXReceptionStatus.h"
#include "stream/DVBTransportStreamReceiver.h"
#include "stream/DVBTransportStreamSource.h"
#include "viewing/KRXViewingFlow.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// The system's own reason (missing, not allowed, a folder) before the plug-in
// is asked, which can only say "file not opened".
bool CheckReadable(const CString& path, CString& error)
{
    struct stat status;
    if (stat(path.c_str(), &status) != 0) {
        error = "cannot open '" + path + "': " + std::strerror(errno);
        return false;
    }
    if (S_ISDIR(status.st_mode)) {
        error = "cannot read '" + path + "': it is a folder";
        return false;
    }
    // Pipes and devices cannot be read at a position, nor looped; opening a
    // pipe would also wait for a writer.
    if (!S_ISREG(status.st_mode)) {
        error = "cannot read '" + path + "': it is not a regular file";
        return false;
    }
    const int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) {
        error = "cannot open '" + path + "': " + std::strerror(errno);
        return false;
    }
    close(file);
    return true;
}

CString FileTitle(const CString& path)
{
    const size_t slash = path.rfind('/');
    return slash == CString::npos ? path : path.substr(slash + 1);
}
} // namespace

CKRXFileMultiplexSession::CKRXFileMultiplexSession(const CKRXLoadedPlugins& plugins)
    : m_plugins(plugins)
    , m_manager(plugins.GetManager())
    , m_plugin(plugins.FindInputPlugin("File"))
    , m_pluginFolder(plugins.GetFolder())
{
}

CKRXFileMultiplexSession::~CKRXFileMultiplexSession()
{
    Close();
}

bool CKRXFileMultiplexSession::Open(const CString& path, CString& error)
{
    Close();
    if (m_plugin == nullptr) {
        error = "the File input plug-in (KRXFileInput.so) is not in " + m_pluginFolder;
        return false;
    }
    if (!CheckReadable(path, error))
        return false;
    m_definition.reset(m_plugin->CreateMultiplexDefinition());
    // Field by field: a path may hold commas, which the text form cannot.
    m_definition->ReadFieldFromString(0, FileTitle(path));
    m_definition->ReadFieldFromString(1, path);
    // A trial start on a source of its own finds out whether the file holds
    // transport packets at all, before anything is built on it.
    CDVBTransportStreamSource* trial = m_plugin->OpenMultiplex(m_definition.get());
    if (trial == nullptr) {
        error = "the " + m_plugin->GetName() + " plug-in cannot open '" + path + "'";
        return false;
    }
    const bool playable = trial->Start();
    CString reason;
    trial->GetStatus(reason);
    trial->Stop();
    m_plugin->CloseMultiplex(trial);
    if (!playable) {
        error = "cannot read '" + path + "': " + reason;
        return false;
    }
    return true;
}

bool CKRXFileMultiplexSession::OpenURL(const CString& url, CString& error)
{
    Close();
    m_plugin = m_plugins.FindInputPlugin("Network");
    if (m_plugin == nullptr) {
        error = "the Network input plug-in (KRXNetworkInput.so) is not in " + m_pluginFolder;
        return false;
    }
    m_definition.reset(m_plugin->CreateMultiplexDefinition());
    // Field by field: a URL may hold commas, which the text form cannot.
    m_definition->ReadFieldFromString(0, url);
    m_definition->ReadFieldFromString(1, url);
    // A trial on a source of its own finds a URL it cannot play, or a port
    // that cannot be received on, before anything is built on it.
    CDVBTransportStreamSource* trial = m_plugin->OpenMultiplex(m_definition.get());
    trial->Initialise();
    const bool playable = !trial->HasEnded();
    if (!playable)
        trial->GetStatus(error);
    trial->DeInitialise();
    m_plugin->CloseMultiplex(trial);
    return playable;
}

bool CKRXFileMultiplexSession::OpenDefinition(const CString& input, const CString& multiplex, CString& error)
{
    Close();
    m_plugin = m_plugins.FindInputPlugin(input);
    if (m_plugin == nullptr) {
        error = "there is no input plug-in '" + input + "' in " + m_pluginFolder;
        return false;
    }
    CDVBMultiplexDefinition* found = nullptr;
    for (int i = 0; found == nullptr && i < m_plugin->GetMultiplexDefinitionCount(); ++i) {
        CDVBMultiplexDefinition* definition = m_plugin->GetMultiplexDefinitionAtIndex(i);
        if (definition->GetName() == multiplex)
            found = definition;
    }
    if (found == nullptr) {
        const CString status = m_plugin->GetInputStatus();
        error = "the " + input + " input has no multiplex '" + multiplex + "'"
            + (status.empty() ? "" : " (" + status + ")");
        return false;
    }
    m_definition.reset(m_plugin->CreateMultiplexDefinition());
    m_definition->CopyFrom(found);
    return true;
}

bool CKRXFileMultiplexSession::HasReadWholeFile() const
{
    CDVBTransportStreamSource* source = GetSource();
    return source != nullptr && source->HasEnded();
}

void CKRXFileMultiplexSession::StartReceiver(CDVBStandardTSUpdateHandler* handler, CDVBSICollector* collector)
{
    m_flow = std::make_unique<CKRXViewingFlow>(*m_manager, handler, collector);
    m_flow->SetReadOnce(m_readOnce);
    m_flow->OpenMultiplex(m_plugin, m_definition.get());
}

bool CKRXFileMultiplexSession::Close()
{
    if (m_flow == nullptr)
        return true;
    const bool stopped = m_flow->CloseMultiplex();
    m_flow.reset();
    return stopped;
}

CDVBTransportStreamReceiver* CKRXFileMultiplexSession::GetReceiver() const
{
    return m_flow ? m_flow->GetReceiver() : nullptr;
}

CDVBTransportStreamSource* CKRXFileMultiplexSession::GetSource() const
{
    return m_flow ? m_flow->GetSource() : nullptr;
}

CString CKRXFileMultiplexSession::GetStatusLine() const
{
    CDVBTransportStreamReceiver* receiver = GetReceiver();
    CString sourceStatus;
    GetSource()->GetStatus(sourceStatus);
    const int seconds = receiver->GetSecondsSinceStart();
    const CString status = FormatReceptionStatus(seconds, receiver->IsDataBeingReceived(),
        receiver->GetReceivedBitrate(), sourceStatus, receiver->GetErrorCounts());
    return FormatString("%s | %" PRIu64 " packets | %d s", status.c_str(), receiver->GetPacketsReceived(), seconds);
}

bool CKRXFileMultiplexSession::HasFoundServiceInformation() const
{
    CDVBTransportStreamReceiver* receiver = GetReceiver();
    if (receiver->HasCompleteBasicServiceInformation())
        return true;
    CSingleLock lock(receiver->GetProgramsSection(), true);
    return !receiver->GetProgramsList()->IsEmpty();
}

CString CKRXFileMultiplexSession::DescribeSearch(int seconds) const
{
    return HasReadWholeFile() ? CString("in the file") : FormatString("in %d seconds", seconds);
}

void CKRXFileMultiplexSession::RunFor(int seconds, CEvent* interrupted, const std::function<void()>& everySecond,
    const std::function<bool()>& finished, uint32_t finishedPollMs)
{
    // Seconds are counted on one schedule, so printing does not make them drift.
    constexpr int64_t second = KRX_MONOTONIC_FREQUENCY;
    constexpr int64_t millisecond = KRX_MONOTONIC_FREQUENCY / 1000;
    // An unpaced read of a file ends within milliseconds; waiting for the
    // next whole second would be most of the run.
    const int64_t finishedPoll = finishedPollMs * millisecond;
    const int64_t start = GetMonotonicNanoseconds();
    int elapsed = 0;
    while (!(finished && finished())) {
        const int64_t remaining = start + (elapsed + 1) * second - GetMonotonicNanoseconds();
        if (remaining > 0) {
            const int64_t wait = finished ? std::min(remaining, finishedPoll) : remaining;
            if (interrupted->Wait(static_cast<uint32_t>((wait + millisecond - 1) / millisecond)))
                return;
            continue;
        }
        everySecond();
        if (++elapsed == seconds)
            return;
    }
}
