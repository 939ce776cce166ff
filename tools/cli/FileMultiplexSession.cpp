#include "FileMultiplexSession.h"

#include "CliPlugins.h"

#include "platform/Clock.h"
#include "platform/Event.h"
#include "platform/MessageBox.h"
#include "plugin/DVBMultiplexDefinition.h"
#include "plugin/KRXInputPlugin.h"
#include "plugin/KRXReceptionStatus.h"
#include "stream/DVBTransportStreamReceiver.h"
#include "stream/DVBTransportStreamSource.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
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
        error = "cannot play '" + path + "': it is a folder";
        return false;
    }
    // Pipes and devices cannot be read at a position, nor looped; opening a
    // pipe would also wait for a writer.
    if (!S_ISREG(status.st_mode)) {
        error = "cannot play '" + path + "': it is not a regular file";
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

CKRXFileMultiplexSession::CKRXFileMultiplexSession(const CKRXCliPlugins& plugins)
    : m_plugin(plugins.FindInputPlugin("File"))
    , m_pluginFolder(plugins.GetFolder())
{
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
    std::unique_ptr<CDVBMultiplexDefinition> definition(m_plugin->CreateMultiplexDefinition());
    // Field by field: a path may hold commas, which the text form cannot.
    definition->ReadFieldFromString(0, FileTitle(path));
    definition->ReadFieldFromString(1, path);
    m_source = m_plugin->OpenMultiplex(definition.get());
    if (m_source == nullptr) {
        error = "the " + m_plugin->GetName() + " plug-in cannot open '" + path + "'";
        return false;
    }
    // A trial start finds out whether the file holds transport packets at all,
    // while no receive thread is there to start it.
    const bool playable = m_source->Start();
    CString reason;
    m_source->GetStatus(reason);
    m_source->Stop();
    if (!playable) {
        error = "cannot play '" + path + "': " + reason;
        Close();
        return false;
    }
    return true;
}

void CKRXFileMultiplexSession::ReadOnceUnpaced()
{
    m_source->SetSinglePass(true);
}

bool CKRXFileMultiplexSession::HasReadWholeFile() const
{
    return m_source != nullptr && m_source->HasEnded();
}

void CKRXFileMultiplexSession::StartReceiver(CDVBTransportStreamUpdateHandler* handler, CDVBSICollector* collector)
{
    m_receiver = new CDVBTransportStreamReceiver(m_source, handler);
    m_receiver->SetSICollector(collector);
    m_receiver->Initialise();
    m_receiver->Start();
}

bool CKRXFileMultiplexSession::Close()
{
    bool stopped = true;
    if (m_receiver != nullptr) {
        m_receiver->Stop();
        stopped = m_receiver->WaitForStop(1000);
        if (!stopped)
            KRXMessageBox("Failed to stop transport stream receiver.", "korrix-cli", KRX_MB_OK | KRX_MB_ICONERROR);
        m_receiver->DeInitialise();
        delete m_receiver;
        m_receiver = nullptr;
    }
    if (m_source != nullptr) {
        m_plugin->CloseMultiplex(m_source);
        m_source = nullptr;
    }
    return stopped;
}

CString CKRXFileMultiplexSession::GetStatusLine() const
{
    CString sourceStatus;
    m_source->GetStatus(sourceStatus);
    const int seconds = m_receiver->GetSecondsSinceStart();
    const CString status = FormatReceptionStatus(seconds, m_receiver->IsDataBeingReceived(), m_receiver->GetBitrate(),
        sourceStatus, m_receiver->GetErrorCounts());
    return FormatString("%s | %" PRIu64 " packets | %d s", status.c_str(), m_receiver->GetPacketsReceived(), seconds);
}

void CKRXFileMultiplexSession::RunFor(
    int seconds, CEvent* interrupted, const std::function<void()>& everySecond, const std::function<bool()>& finished)
{
    // Seconds are counted on one schedule, so printing does not make them drift.
    constexpr int64_t second = KRX_MONOTONIC_FREQUENCY;
    constexpr int64_t millisecond = KRX_MONOTONIC_FREQUENCY / 1000;
    // An unpaced read of a file ends within milliseconds; waiting for the
    // next whole second would be most of the run.
    constexpr int64_t finishedPoll = 10 * millisecond;
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
