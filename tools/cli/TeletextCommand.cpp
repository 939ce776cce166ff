// korrix-cli teletext FILE.ts|--input NAME --multiplex NAME --service S
// [--page 100] [--seconds N]: plays the multiplex as the program does, decodes
// the service's teletext and prints the page as UTF-8 text as soon as it is
// complete.
#include "CliCommands.h"
#include "CliOptions.h"
#include "FileMultiplexSession.h"
#include "plugin/KRXLoadedPlugins.h"
#include "viewing/KRXServiceSearch.h"

#include "platform/CriticalSection.h"
#include "platform/Event.h"
#include "plugin/DVBTeletextPages.h"
#include "plugin/KRXVideoOutput.h"
#include "stream/DVBPIDReceiver.h"
#include "stream/DVBTransportStreamSource.h"
#include "viewing/KRXTeletextViewer.h"
#include "viewing/KRXViewingFlow.h"

namespace {
constexpr int DEFAULT_SECONDS = 30;
constexpr uint32_t SERVICE_POLL_MS = 10;

struct TeletextOptions {
    CString file;
    CString input;
    CString multiplex;
    CString service;
    int page = 0x100;
    int seconds = DEFAULT_SECONDS;
};

// "100" to "899", as people number pages.
bool ParsePage(const CString& text, int& page)
{
    if (text.size() != 3 || text[0] < '1' || text[0] > '8' || !isdigit(text[1]) || !isdigit(text[2]))
        return false;
    page = (text[0] - '0') << 8 | (text[1] - '0') << 4 | (text[2] - '0');
    return true;
}

CString ParseTeletextOptions(const KRXCliArguments& arguments, TeletextOptions& options)
{
    KRXFileCommandLine line;
    CString misuse = ParseFileCommandLine(arguments, "teletext", "read",
        { "--input", "--multiplex", "--service", "--page", "--seconds" }, line, {}, false);
    if (!misuse.empty())
        return misuse;
    options.file = line.file;
    options.input = line.values["--input"];
    options.multiplex = line.values["--multiplex"];
    options.service = line.values["--service"];
    if (options.input.empty() != options.multiplex.empty())
        return "'--input' and '--multiplex' go together";
    if (options.input.empty() == options.file.empty())
        return "'teletext' reads a file or '--input' and '--multiplex'";
    if (options.service.empty())
        return "'teletext' needs '--service' with a programme number or a service name";
    if (line.values.count("--page") && !ParsePage(line.values["--page"], options.page))
        return "'--page' is a page number from 100 to 899, not '" + line.values["--page"] + "'";
    return ReadSecondsOption(line, options.seconds);
}

// Only the teletext plays: the picture and sound the service started are closed.
CDVBTeletextPages* PlayTeletextOnly(CKRXViewingFlow& flow)
{
    const int teletext = CKRXTeletextViewer::FindTeletextComponent(flow.GetComponents());
    for (int index = 0; index < int(flow.GetComponents().size()); ++index)
        if (index != teletext && flow.GetComponents()[size_t(index)].selected)
            flow.CloseComponent(index);
    if (teletext < 0 || (!flow.GetComponents()[size_t(teletext)].selected && !flow.OpenComponent(teletext)))
        return nullptr;
    for (CDVBPIDReceiver* receiver : flow.GetComponents()[size_t(teletext)].receivers)
        if (CDVBTeletextPages* pages = receiver->GetTeletextPages())
            return pages;
    return nullptr;
}

bool FindServiceInTime(CKRXFileMultiplexSession& session, const TeletextOptions& options, KRXCliContext& context,
    unsigned short& programNumber)
{
    for (int waited = 0;; waited += SERVICE_POLL_MS) {
        const EServiceSearch search = FindService(session.GetReceiver(), options.service, programNumber);
        if (search == EServiceSearch::Found)
            return true;
        if (search == EServiceSearch::Absent || waited >= options.seconds * 1000) {
            context.Fail("no service '" + options.service + "' found");
            return false;
        }
        if (context.interrupted->Wait(SERVICE_POLL_MS))
            return false;
    }
}
} // namespace

int RunTeletextCommand(const KRXCliArguments& arguments, KRXCliContext& context)
{
    TeletextOptions options;
    const CString misuse = ParseTeletextOptions(arguments, options);
    if (!misuse.empty())
        return context.Misused(misuse);
    CKRXVideoOutput::Set(CKRXVideoOutput::None);
    CKRXLoadedPlugins plugins(context.pluginFolder);
    CKRXFileMultiplexSession session(plugins);
    CString error;
    if (!(options.input.empty() ? session.Open(options.file, error)
                                : session.OpenDefinition(options.input, options.multiplex, error)))
        return context.Fail(error);
    session.StartReceiver();
    unsigned short programNumber = 0;
    if (!FindServiceInTime(session, options, context, programNumber))
        return KRX_CLI_FAILED;
    CKRXViewingFlow& flow = *session.GetFlow();
    flow.SetSubtitleLanguage("none");
    flow.SelectService(programNumber);
    CDVBTeletextPages* pages = PlayTeletextOnly(flow);
    if (pages == nullptr)
        return context.Fail(FormatString("service %u has no teletext a decoder takes", programNumber));

    // Taken on the receive thread the moment the page is complete, before a
    // later version can replace it.
    CCriticalSection lock;
    CString text;
    CEvent complete(true, false);
    pages->SetPageListener([&](int number, int subpage) {
        CDVBTeletextPage page;
        if (number != options.page || complete.IsSet() || !pages->GetPage(number, subpage, page))
            return;
        CSingleLock hold(&lock, true);
        text = page.GetText();
        complete.Set();
    });
    CKRXFileMultiplexSession::RunFor(
        options.seconds, context.interrupted, [] {},
        [&] { return complete.IsSet() || session.GetSource()->HasEnded(); });
    pages->SetPageListener(nullptr);
    if (!complete.IsSet()) {
        session.Close();
        return context.Fail(FormatString("page %03X did not come", options.page));
    }
    {
        CSingleLock hold(&lock, true);
        context.out << text << std::flush;
    }
    return session.Close() ? KRX_CLI_OK : KRX_CLI_FAILED;
}
