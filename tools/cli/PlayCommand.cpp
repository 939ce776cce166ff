// korrix-cli play FILE.ts|URL|--input NAME --multiplex NAME [--seconds N]
// [--record OUT.ts] [--service S [--record-service] [--video-out window|y4m:PATH|none]
// [--deinterlace auto|off|bwdif|yadif] [--av-log PATH] [--volume 0-100]]: plays a file, a network stream's URL
// (through the Network plug-in), or any input plug-in's multiplex, as the program does and prints the reception
// status once a second; with a service, its components are decoded and presented as the program would show them.
#include "CliCommands.h"
#include "CliOptions.h"
#include "FileMultiplexSession.h"
#include "plugin/KRXLoadedPlugins.h"
#include "viewing/KRXServiceSearch.h"

#include "platform/Clock.h"
#include "platform/Event.h"
#include "platform/OutputFile.h"
#include "plugin/DVBDisplay.h"
#include "plugin/KRXAVLog.h"
#include "plugin/KRXAVOffset.h"
#include "plugin/KRXAudioOutput.h"
#include "plugin/KRXDeinterlace.h"
#include "plugin/KRXOutputFaults.h"
#include "plugin/KRXReceptionStatus.h"
#include "plugin/KRXVideoOutput.h"
#include "plugin/KRXVolume.h"
#include "stream/DVBRecordingParameters.h"
#include "stream/DVBTransportStreamReceiver.h"
#include "stream/DVBTransportStreamSource.h"
#include "viewing/KRXViewingFlow.h"
#include "viewing/KRXViewingStatus.h"

#include <algorithm>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// How long a service named on the command line is looked for.
constexpr int SERVICE_SEARCH_SECONDS = 10;
constexpr uint32_t SERVICE_POLL_MS = 10;
// A live source that ends is told within this; asking every 10 ms woke the
// player a hundred times a second for nothing.
constexpr uint32_t ENDED_POLL_MS = 100;

struct PlayOptions {
    CString file;
    bool url = false; // the file is a network stream's URL
    CString input; // empty: the File plug-in plays the file
    CString multiplex;
    int seconds = 0; // 0: until interrupted
    CString recordFile;
    bool recordService = false; // the recording holds the selected service alone
    CString service; // empty: no service is selected
    CKRXVideoOutput::Kind videoOut = CKRXVideoOutput::None;
    CString videoPath;
    CKRXDeinterlace::Mode deinterlace = CKRXDeinterlace::Auto;
    CKRXAudioOutput::Kind audioOut = CKRXAudioOutput::Device;
    CString audioPath;
    CString audioLanguage; // empty: the setting's or the locale's
    CString subtitleLanguage;
    CString avLog;
    int volume = CKRXVolume::kMaximum;
};

// Like a media player: a window when a display server is there to show it.
CKRXVideoOutput::Kind DefaultVideoOutput()
{
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const bool server = (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
    return server ? CKRXVideoOutput::Window : CKRXVideoOutput::None;
}

CString ParseVideoOutput(const CString& text, PlayOptions& options)
{
    const CString y4m = "y4m:";
    if (text == "window")
        options.videoOut = CKRXVideoOutput::Window;
    else if (text == "none")
        options.videoOut = CKRXVideoOutput::None;
    else if (text.starts_with(y4m) && text.size() > y4m.size()) {
        options.videoOut = CKRXVideoOutput::Y4M;
        options.videoPath = text.substr(y4m.size());
    } else
        return "'--video-out' is window, y4m:PATH or none, not '" + text + "'";
    return "";
}

CString ParseAudioOutput(const CString& text, PlayOptions& options)
{
    const CString wav = "wav:";
    if (text == "device")
        options.audioOut = CKRXAudioOutput::Device;
    else if (text == "none")
        options.audioOut = CKRXAudioOutput::None;
    else if (text.starts_with(wav) && text.size() > wav.size()) {
        options.audioOut = CKRXAudioOutput::Wav;
        options.audioPath = text.substr(wav.size());
    } else
        return "'--audio-out' is device, wav:PATH or none, not '" + text + "'";
    return "";
}

CString ParseVolume(const CString& text, PlayOptions& options)
{
    char* end = nullptr;
    const long volume = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || volume < 0 || volume > CKRXVolume::kMaximum)
        return "'--volume' is a whole number from 0 to 100, not '" + text + "'";
    options.volume = int(volume);
    return "";
}

CString ParseServiceOptions(const KRXFileCommandLine& line, PlayOptions& options)
{
    const auto given = [&line](const char* option) { return line.values.count(option) != 0; };
    if (!given("--service")) {
        for (const char* option : { "--video-out", "--deinterlace", "--audio-out", "--audio-language",
                 "--subtitle-language", "--av-log", "--volume" }) {
            if (given(option))
                return "'" + CString(option) + "' needs '--service'";
        }
        return "";
    }
    options.service = line.values.at("--service");
    if (options.service.empty())
        return "'--service' needs a programme number or a service name";
    options.videoOut = DefaultVideoOutput();
    if (given("--av-log"))
        options.avLog = line.values.at("--av-log");
    if (given("--audio-language"))
        options.audioLanguage = line.values.at("--audio-language");
    if (given("--subtitle-language"))
        options.subtitleLanguage = line.values.at("--subtitle-language");
    if (given("--deinterlace") && !CKRXDeinterlace::Parse(line.values.at("--deinterlace"), options.deinterlace))
        return "'--deinterlace' is auto, off, bwdif or yadif, not '" + line.values.at("--deinterlace") + "'";
    CString misuse = given("--video-out") ? ParseVideoOutput(line.values.at("--video-out"), options) : "";
    if (misuse.empty() && given("--volume"))
        misuse = ParseVolume(line.values.at("--volume"), options);
    if (!misuse.empty())
        return misuse;
    return given("--audio-out") ? ParseAudioOutput(line.values.at("--audio-out"), options) : "";
}

// A file, or an input and one of its multiplexes, but not both.
CString ParseInputOptions(const KRXFileCommandLine& line, PlayOptions& options)
{
    const auto value = [&line](const char* option) {
        const auto given = line.values.find(option);
        return given == line.values.end() ? CString() : given->second;
    };
    options.input = value("--input");
    options.multiplex = value("--multiplex");
    if (options.input.empty() != options.multiplex.empty())
        return "'--input' and '--multiplex' go together";
    if (!options.input.empty() && !line.file.empty())
        return "'play' takes a file or '--input', not both";
    if (options.input.empty() && line.file.empty())
        return "'play' needs a file to play, or '--input' and '--multiplex'";
    return "";
}

CString ParsePlayOptions(const KRXCliArguments& arguments, PlayOptions& options)
{
    KRXFileCommandLine line;
    CString misuse = ParseFileCommandLine(arguments, "play", "play",
        { "--seconds", "--record", "--service", "--video-out", "--deinterlace", "--audio-out", "--audio-language",
            "--subtitle-language", "--av-log", "--volume", "--input", "--multiplex" },
        line, { "--record-service" }, false);
    if (misuse.empty())
        misuse = ParseInputOptions(line, options);
    if (misuse.empty())
        misuse = ReadSecondsOption(line, options.seconds);
    if (misuse.empty())
        misuse = ParseServiceOptions(line, options);
    options.file = line.file;
    options.url = line.file.find("://") != CString::npos;
    options.recordFile = line.values["--record"];
    options.recordService = line.values.count("--record-service") != 0;
    if (misuse.empty() && options.recordService && (options.recordFile.empty() || options.service.empty()))
        misuse = "'--record-service' needs '--record' and '--service'";
    return misuse;
}

// Files written later by other threads (the recording, the pictures) are
// better found unwritable, or held by another writer, now, before playing
// starts. A pipe or device is no such file: nothing may be there to read it,
// and opening it could block.
bool CanWrite(const CString& path, CString& reason)
{
    struct stat status;
    const bool existed = stat(path.c_str(), &status) == 0;
    if (existed && !S_ISREG(status.st_mode)) {
        reason = "it is not a regular file";
        return false;
    }
    const bool writable = COutputFile::Probe(path, reason);
    // A file made for the trial goes again, so that it appears only when
    // writing starts (whoever sends a live stream can wait for it).
    if (!existed)
        unlink(path.c_str());
    return writable;
}

// Starting the recording empties its file, so recording onto the file being
// played (under any of its names) would destroy it.
bool IsFileBeingPlayed(const CString& recordFile, const CString& playedFile)
{
    struct stat recorded, played;
    return stat(recordFile.c_str(), &recorded) == 0 && stat(playedFile.c_str(), &played) == 0
        && recorded.st_dev == played.st_dev && recorded.st_ino == played.st_ino;
}

// Records the multiplex, or the service alone when one is given; false (and said) when the file cannot be made.
bool StartRecording(
    CDVBTransportStreamReceiver* receiver, const CString& recordFile, unsigned short serviceId, KRXCliContext& context)
{
    CDVBRecordingParameters recording(recordFile);
    recording.SetServiceID(serviceId);
    if (!receiver->StartRecording(&recording)) {
        context.Fail("cannot record to '" + recordFile + "': " + receiver->GetRecordingStatus().writeError);
        return false;
    }
    context.out << (serviceId ? FormatString("Recording service %u to ", serviceId) : CString("Recording to "))
                << recordFile << std::endl;
    return true;
}

// Ends a recording in progress and says how it went; false when the file
// could not be written or reads had to be left out because the disc could not
// keep up.
bool StopRecording(CDVBTransportStreamReceiver* receiver, const CString& recordFile, KRXCliContext& context)
{
    if (recordFile.empty())
        return true;
    receiver->StopRecording();
    // Read after the stop: the reads still queued are written by it.
    const CDVBRecordingStatus status = receiver->GetRecordingStatus();
    const bool written = !status.writeFailed;
    context.out << FormatString("Recorded %" PRIu64 " bytes to %s", status.bytesWritten, recordFile.c_str());
    if (status.errors.Any())
        context.out << "; the stream had " << FormatErrorCounts(status.errors) << " meanwhile";
    context.out << std::endl;
    if (!written)
        context.Fail("cannot write '" + recordFile + "': " + status.writeError
            + "; the recording holds the whole packets written before");
    else if (status.readsSkipped != 0)
        context.Fail(
            FormatString("the recording misses %" PRIu64 " reads: the disc did not keep up", status.readsSkipped));
    return written && status.readsSkipped == 0;
}

// What a service adds to the status line: its decoders, the pictures it has
// shown and dropped, and, while picture and sound both play, how far the
// sound runs from the picture over the last second.
CString PictureStatus(CKRXViewingFlow* flow)
{
    double offset = 0;
    const bool both = CKRXAVOffset::Take(offset);
    CString status = DescribeDecoders(*flow);
    const CDVBDisplay* display = flow->GetDisplay();
    if (display == nullptr)
        return status + " | no display";
    uint64_t shown = 0, dropped = 0;
    display->GetPictureCounts(shown, dropped);
    status += FormatString(" | %" PRIu64 " pictures shown, %" PRIu64 " dropped", shown, dropped);
    if (both)
        status += " | " + FormatAVOffset(offset);
    return status;
}

// Every output file that lost data, each in a line of its own; false when
// there was one.
bool TellOutputFaults(KRXCliContext& context)
{
    const std::vector<CKRXOutputFaults::Fault> faults = CKRXOutputFaults::Take();
    for (const CKRXOutputFaults::Fault& fault : faults)
        context.Fail(CKRXOutputFaults::Describe(fault));
    return faults.empty();
}

CString PlayedName(const PlayOptions& options)
{
    return options.input.empty() ? options.file : options.multiplex;
}

// Waits, looking often so that the picture starts at once, until the service
// is known, known to be absent, or the search or the play time is over.
// Returns the milliseconds spent, or -1 after a failure was told.
int64_t ShowService(CKRXFileMultiplexSession& session, const PlayOptions& options, KRXCliContext& context,
    unsigned short& programNumber)
{
    const int limit = options.seconds == 0 ? SERVICE_SEARCH_SECONDS : std::min(options.seconds, SERVICE_SEARCH_SECONDS);
    const int64_t start = GetMonotonicNanoseconds();
    const auto elapsedMs = [start] { return (GetMonotonicNanoseconds() - start) / 1000000; };
    programNumber = 0;
    for (;;) {
        const EServiceSearch search = FindService(session.GetReceiver(), options.service, programNumber);
        if (search == EServiceSearch::Found)
            break;
        if (search == EServiceSearch::Absent) {
            context.Fail("'" + PlayedName(options) + "' has no service '" + options.service + "'");
            return -1;
        }
        if (elapsedMs() >= limit * 1000) {
            const CString unread = DescribeUnreadPMT(session.GetReceiver(), options.service);
            context.Fail(!unread.empty() ? unread
                                         : FormatString("service '%s' not found in '%s' within %d s",
                                             options.service.c_str(), PlayedName(options).c_str(), limit));
            return -1;
        }
        if (context.interrupted->Wait(SERVICE_POLL_MS)) {
            programNumber = 0;
            return elapsedMs();
        }
    }
    CKRXViewingFlow* flow = session.GetFlow();
    if (!options.audioLanguage.empty())
        flow->SetAudioLanguage(options.audioLanguage);
    if (!options.subtitleLanguage.empty())
        flow->SetSubtitleLanguage(options.subtitleLanguage);
    flow->SelectService(programNumber);
    // Each with the decoders that play it: "0x0200 (Video), 0x0201 (Audio)".
    CString opened;
    for (const CKRXViewingFlow::Component& component : flow->GetComponents()) {
        if (component.selected)
            opened += FormatString(
                "%s0x%04X (%s)", opened.empty() ? "" : ", ", component.pid, component.GetDecoderNames().c_str());
    }
    context.out << FormatString("Showing service %u: ", programNumber)
                << (opened.empty() ? CString("no component a decoder accepts") : "components " + opened) << std::endl;
    return elapsedMs();
}

// The outputs are chosen before a display opens, which happens when the
// service is selected. Returns what is wrong, or an empty text.
CString PrepareOutputs(const PlayOptions& options)
{
    CString reason;
    if (options.videoOut == CKRXVideoOutput::Y4M && !CanWrite(options.videoPath, reason))
        return "cannot write pictures to '" + options.videoPath + "': " + reason;
    if (options.audioOut == CKRXAudioOutput::Wav && !CanWrite(options.audioPath, reason))
        return "cannot write sound to '" + options.audioPath + "': " + reason;
    if (!options.avLog.empty() && !CKRXAVLog::Open(options.avLog, reason))
        return "cannot write the A/V log to '" + options.avLog + "': " + reason;
    CKRXVideoOutput::Set(options.videoOut, options.videoPath);
    CKRXDeinterlace::Set(options.deinterlace);
    return "";
}
} // namespace

int RunPlayCommand(const KRXCliArguments& arguments, KRXCliContext& context)
{
    PlayOptions options;
    const CString misuse = ParsePlayOptions(arguments, options);
    if (!misuse.empty())
        return context.Misused(misuse);

    // Faults are told for the run they happen in.
    CKRXOutputFaults::Take();
    // The audio decoder looks for its device when the plug-ins start.
    if (!options.service.empty())
        CKRXAudioOutput::Set(options.audioOut, options.audioPath);
    CKRXVolume::SetLevel(options.volume);
    CKRXLoadedPlugins plugins(context.pluginFolder);
    // Declared before the session, so that the log closes after the display
    // that writes to it, whichever way play ends.
    struct AVLogCloser {
        ~AVLogCloser() { CKRXAVLog::Close(); }
    } avLogCloser;
    CKRXFileMultiplexSession session(plugins);
    CString error;
    const bool opened = !options.input.empty() ? session.OpenDefinition(options.input, options.multiplex, error)
        : options.url                          ? session.OpenURL(options.file, error)
                                               : session.Open(options.file, error);
    if (!opened)
        return context.Fail(error);
    const bool playsFile = options.input.empty() && !options.url;
    if (!options.recordFile.empty() && playsFile && IsFileBeingPlayed(options.recordFile, options.file))
        return context.Fail("cannot record to '" + options.recordFile + "': it is the file being played");
    if (!options.recordFile.empty() && !CanWrite(options.recordFile, error))
        return context.Fail("cannot record to '" + options.recordFile + "': " + error);
    if (!options.service.empty() && !(error = PrepareOutputs(options)).empty())
        return context.Fail(error);

    session.StartReceiver();
    CDVBTransportStreamReceiver* receiver = session.GetReceiver();
    if (!options.recordFile.empty() && !options.recordService
        && !StartRecording(receiver, options.recordFile, 0, context))
        return KRX_CLI_FAILED;
    int seconds = options.seconds;
    bool found = true;
    if (!options.service.empty()) {
        unsigned short programNumber = 0;
        const int64_t searchMs = ShowService(session, options, context, programNumber);
        found = searchMs >= 0;
        // The service's own recording can only begin once its number is known.
        if (found && options.recordService && programNumber != 0)
            found = StartRecording(receiver, options.recordFile, programNumber, context);
        // The search counts towards the time played.
        if (found && seconds != 0)
            seconds = std::max(1, seconds - static_cast<int>(searchMs / 1000));
    }
    // A live source ends when its card is removed or fails, or its socket cannot be opened.
    const auto ended = [&session] { return session.GetSource()->HasEnded(); };
    if (found) {
        CKRXFileMultiplexSession::RunFor(
            seconds, context.interrupted,
            [&] {
                CKRXViewingFlow* flow = options.service.empty() ? nullptr : session.GetFlow();
                if (flow != nullptr)
                    flow->CheckSoundtrackCodings();
                CString line = session.GetStatusLine();
                if (flow != nullptr)
                    line += PictureStatus(flow);
                context.out << line << std::endl;
                // Nobody reads the status any more (a pipe's reader ended):
                // the run ends as on Ctrl-C, with every file whole.
                if (!context.out)
                    context.interrupted->Set();
            },
            ended, ENDED_POLL_MS);
    }
    if (ended()) {
        context.out << session.GetStatusLine() << std::endl;
        found = false;
        // The source's own words say why (the card removed, a server's refusal).
        CString why;
        session.GetSource()->GetStatus(why);
        context.Fail("reception ended" + (why.empty() ? CString() : " (" + why + ")"));
    }
    // Recording ends before the receiver stops, as in the program.
    const bool recorded = StopRecording(receiver, options.recordFile, context);
    // The pictures and the sound are finished as the service closes, the log after them.
    const bool closed = session.Close();
    CKRXAVLog::Close();
    const bool whole = TellOutputFaults(context);
    return found && recorded && closed && whole ? KRX_CLI_OK : KRX_CLI_FAILED;
}
