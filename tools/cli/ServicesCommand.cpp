// korrix-cli services FILE.ts [--seconds N] [--paced]: reads a file once, as
// fast as the receiver takes it (or plays it at its pace), until its service
// information is complete (and every service that announces present/following
// events has its now and next) or the file has been read, then prints each
// service as the program's service list would show it.
#include "CliCommands.h"
#include "CliOptions.h"
#include "FileMultiplexSession.h"
#include "ServicePrinting.h"
#include "plugin/KRXLoadedPlugins.h"

#include "stream/DVBTransportStreamReceiver.h"

namespace {
constexpr int DEFAULT_SECONDS = 10;

struct ServicesOptions {
    CString file;
    int seconds = DEFAULT_SECONDS;
    bool paced = false;
};

CString ParseServicesOptions(const KRXCliArguments& arguments, ServicesOptions& options)
{
    KRXFileCommandLine line;
    CString misuse = ParseFileCommandLine(arguments, "services", "read", { "--seconds" }, line, { "--paced" });
    if (misuse.empty())
        misuse = ReadSecondsOption(line, options.seconds);
    options.file = line.file;
    options.paced = line.values.count("--paced") != 0;
    return misuse;
}

} // namespace

int RunServicesCommand(const KRXCliArguments& arguments, KRXCliContext& context)
{
    ServicesOptions options;
    const CString misuse = ParseServicesOptions(arguments, options);
    if (!misuse.empty())
        return context.Misused(misuse);

    CKRXLoadedPlugins plugins(context.pluginFolder);
    CKRXFileMultiplexSession session(plugins);
    CString error;
    if (!session.Open(options.file, error))
        return context.Fail(error);

    if (!options.paced)
        session.ReadOnceUnpaced();
    session.StartReceiver();
    CDVBTransportStreamReceiver* receiver = session.GetReceiver();
    // Read once, the rest of the file takes moments, so a service's events are
    // waited for even before the first event of the stream has come; played,
    // a stream that has shown none by then is taken to carry none.
    auto finished = [&session, &options, receiver] {
        if (session.HasReadWholeFile())
            return true;
        if (!receiver->HasCompleteBasicServiceInformation())
            return false;
        return options.paced ? HasNowAndNextWhereAnnounced(receiver) : HasAnnouncedNowAndNext(receiver);
    };
    CKRXFileMultiplexSession::RunFor(
        options.seconds, context.interrupted, [] {}, finished);

    const bool basicComplete = receiver->HasCompleteBasicServiceInformation();
    const CString searched = session.DescribeSearch(options.seconds);
    PrintServices(context.out, receiver);
    context.out.flush();
    if (!session.HasFoundServiceInformation())
        return context.Fail("no service information found " + searched);
    if (!basicComplete)
        context.err << "korrix-cli: the service information found " << searched << " is incomplete\n";
    return KRX_CLI_OK;
}
