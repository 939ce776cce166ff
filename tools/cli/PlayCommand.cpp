// korrix-cli play FILE.ts [--seconds N] [--record OUT.ts]: plays a file as the
// program does and prints the reception status once a second.
#include "CliCommands.h"
#include "CliOptions.h"
#include "CliPlugins.h"
#include "FileMultiplexSession.h"

#include "plugin/KRXReceptionStatus.h"
#include "stream/DVBRecordingParameters.h"
#include "stream/DVBTransportStreamReceiver.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
struct PlayOptions {
    CString file;
    int seconds = 0; // 0: until interrupted
    CString recordFile;
};

CString ParsePlayOptions(const KRXCliArguments& arguments, PlayOptions& options)
{
    KRXFileCommandLine line;
    CString misuse = ParseFileCommandLine(arguments, "play", "play", { "--seconds", "--record" }, line);
    if (misuse.empty())
        misuse = ReadSecondsOption(line, options.seconds);
    options.file = line.file;
    options.recordFile = line.values["--record"];
    return misuse;
}

// The recording thread creates the file later; a path the user cannot write
// to is better found out now, before playing starts. A pipe or device is no
// recording: nothing may be there to read it.
bool CheckWritable(const CString& path, CString& error)
{
    struct stat status;
    if (stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
        error = "cannot record to '" + path + "': it is not a regular file";
        return false;
    }
    const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    if (file < 0) {
        error = "cannot record to '" + path + "': " + std::strerror(errno);
        return false;
    }
    close(file);
    return true;
}

// Starting the recording empties its file, so recording onto the file being
// played (under any of its names) would destroy it.
bool IsFileBeingPlayed(const CString& recordFile, const CString& playedFile)
{
    struct stat recorded, played;
    return stat(recordFile.c_str(), &recorded) == 0 && stat(playedFile.c_str(), &played) == 0
        && recorded.st_dev == played.st_dev && recorded.st_ino == played.st_ino;
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
        context.Fail("writing to '" + recordFile + "' failed; the recording is incomplete");
    else if (status.readsSkipped != 0)
        context.Fail(
            FormatString("the recording misses %" PRIu64 " reads: the disc did not keep up", status.readsSkipped));
    return written && status.readsSkipped == 0;
}
} // namespace

int RunPlayCommand(const KRXCliArguments& arguments, KRXCliContext& context)
{
    PlayOptions options;
    const CString misuse = ParsePlayOptions(arguments, options);
    if (!misuse.empty())
        return context.Misused(misuse);

    CKRXCliPlugins plugins(context.pluginFolder);
    CKRXFileMultiplexSession session(plugins);
    CString error;
    if (!session.Open(options.file, error))
        return context.Fail(error);
    if (!options.recordFile.empty() && IsFileBeingPlayed(options.recordFile, options.file))
        return context.Fail("cannot record to '" + options.recordFile + "': it is the file being played");
    if (!options.recordFile.empty() && !CheckWritable(options.recordFile, error))
        return context.Fail(error);

    session.StartReceiver();
    CDVBTransportStreamReceiver* receiver = session.GetReceiver();
    if (!options.recordFile.empty()) {
        CDVBRecordingParameters recording(options.recordFile);
        if (!receiver->StartRecording(&recording))
            return context.Fail("cannot record to '" + options.recordFile + "'");
        context.out << "Recording to " << options.recordFile << std::endl;
    }
    CKRXFileMultiplexSession::RunFor(
        options.seconds, context.interrupted, [&] { context.out << session.GetStatusLine() << std::endl; });
    // Recording ends before the receiver stops, as in the program.
    return StopRecording(receiver, options.recordFile, context) && session.Close() ? KRX_CLI_OK : KRX_CLI_FAILED;
}
