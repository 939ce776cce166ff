// korrix-cli epg FILE.ts|--input NAME --multiplex NAME [--seconds N] [--dir D] [--paced] [--xmltv OUT.xml]:
// reads a file once, as fast as the receiver takes it (or plays it at its
// pace), or an input's multiplex for N seconds, with an SI collector attached
// and its export on, as the program does while its guide window is open, and
// leaves D/epg/epg.xml behind (making D if need be); with --xmltv, also the
// whole schedule in XMLTV.
#include "CliCommands.h"
#include "CliOptions.h"
#include "FileMultiplexSession.h"
#include "plugin/KRXLoadedPlugins.h"

#include "platform/OutputFile.h"
#include "si/DVBSICollector.h"
#include "si/DVBXMLTVWriter.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>

namespace {
constexpr int DEFAULT_SECONDS = 10;

struct EpgOptions {
    CString file;
    CString input; // empty: the File plug-in reads the file
    CString multiplex;
    int seconds = DEFAULT_SECONDS;
    CString folder = "./";
    bool paced = false;
    CString xmltv; // empty: no XMLTV
};

CString ParseEpgOptions(const KRXCliArguments& arguments, EpgOptions& options)
{
    KRXFileCommandLine line;
    CString misuse = ParseFileCommandLine(arguments, "epg", "read",
        { "--seconds", "--dir", "--xmltv", "--input", "--multiplex" }, line, { "--paced" }, false);
    if (misuse.empty())
        misuse = ReadSecondsOption(line, options.seconds);
    if (!misuse.empty())
        return misuse;
    options.file = line.file;
    options.input = line.values["--input"];
    options.multiplex = line.values["--multiplex"];
    if (options.input.empty() != options.multiplex.empty())
        return "'--input' and '--multiplex' go together";
    if (!options.input.empty() && !options.file.empty())
        return "'epg' takes a file or '--input', not both";
    if (options.input.empty() && options.file.empty())
        return "'epg' needs a file to read, or '--input' and '--multiplex'";
    if (!options.input.empty() && line.values.count("--paced"))
        return "'--paced' is for a file";
    options.paced = line.values.count("--paced") != 0;
    if (line.values.count("--dir"))
        options.folder = line.values["--dir"];
    if (options.folder.empty())
        return "'--dir' needs a folder";
    if (line.values.count("--xmltv")) {
        options.xmltv = line.values["--xmltv"];
        if (options.xmltv.empty())
            return "'--xmltv' needs a file name";
    }
    if (options.folder.back() != '/')
        options.folder += '/';
    return "";
}

// The export goes into an "epg" folder that the program provides beside it;
// the folder given is made too when it is missing.
bool MakeExportFolder(const CString& folder, CString& error)
{
    const CString path = folder + "epg";
    std::error_code failure;
    std::filesystem::create_directories(path, failure);
    if (std::filesystem::is_directory(path))
        return true;
    error = "cannot make the folder '" + path + "': " + (failure ? failure.message() : "a file is in the way");
    return false;
}
// Written beside the file, under its lock, and renamed over it, so a reader
// never sees half a guide and a second writer is refused.
bool WriteWholeFile(const CString& path, const CString& text, CString& error)
{
    const CString part = path + ".part";
    COutputFile file;
    if (!file.Open(part)) {
        error = "cannot write '" + part + "': " + file.GetError();
        return false; // another writer's file, or none: left alone
    }
    const bool written = file.Write(text.data(), text.size());
    const bool closed = file.Close();
    if (written && closed && std::rename(part.c_str(), path.c_str()) == 0)
        return true;
    error = "cannot write '" + path + "': " + (file.HasFailed() ? file.GetError() : CString(std::strerror(errno)));
    std::remove(part.c_str());
    return false;
}

bool WriteXMLTV(CDVBSICollector& collector, const CString& path, KRXCliContext& context)
{
    const std::vector<CDVBGuideService> guide = collector.GetGuide();
    CString error;
    if (!WriteWholeFile(path, FormatXMLTV(guide), error)) {
        context.Fail(error);
        return false;
    }
    size_t programmes = 0;
    for (const CDVBGuideService& service : guide)
        programmes += service.events.size();
    context.out << FormatString("Wrote %s: %zu channel%s, %zu programme%s", path.c_str(), guide.size(),
        guide.size() == 1 ? "" : "s", programmes, programmes == 1 ? "" : "s")
                << std::endl;
    return true;
}
} // namespace

int RunEpgCommand(const KRXCliArguments& arguments, KRXCliContext& context)
{
    EpgOptions options;
    const CString misuse = ParseEpgOptions(arguments, options);
    if (!misuse.empty())
        return context.Misused(misuse);

    CKRXLoadedPlugins plugins(context.pluginFolder);
    CString error;
    if (!MakeExportFolder(options.folder, error))
        return context.Fail(error);
    CKRXFileMultiplexSession session(plugins);
    const bool opened = options.input.empty() ? session.Open(options.file, error)
                                              : session.OpenDefinition(options.input, options.multiplex, error);
    if (!opened)
        return context.Fail(error);

    CDVBSICollector collector(options.folder);
    collector.EnableUpdates(true);
    std::function<bool()> finished;
    // A card's multiplex never ends: it is read for the seconds given.
    if (!options.paced && options.input.empty()) {
        session.ReadOnceUnpaced();
        finished = [&session] { return session.HasReadWholeFile(); };
    }
    session.StartReceiver(nullptr, &collector);
    CKRXFileMultiplexSession::RunFor(
        options.seconds, context.interrupted, [] {}, finished);
    const bool found = session.HasFoundServiceInformation();
    const CString searched = session.DescribeSearch(options.seconds);
    const bool stopped = session.Close();
    // The export is throttled to every five seconds; what came after the last write goes out now.
    collector.Update();

    const CString path = options.folder + "epg/epg.xml";
    struct stat status;
    if (stat(path.c_str(), &status) != 0)
        return context.Fail("cannot write '" + path + "'");
    {
        CSingleLock streamsLock(collector.GetTransportStreamsSection(), true);
        CSingleLock programsLock(collector.GetProgramsSection(), true);
        const size_t streams = collector.GetTransportStreamsList()->GetCount();
        const size_t services = collector.GetProgramsList()->GetCount();
        context.out << FormatString("Wrote %s: %zu transport stream%s, %zu service%s", path.c_str(), streams,
            streams == 1 ? "" : "s", services, services == 1 ? "" : "s")
                    << std::endl;
    }
    // The export of nothing is written, but is no success.
    if (!found)
        return context.Fail("no service information found " + searched);
    if (!options.xmltv.empty() && !WriteXMLTV(collector, options.xmltv, context))
        return KRX_CLI_FAILED;
    return stopped ? KRX_CLI_OK : KRX_CLI_FAILED;
}
