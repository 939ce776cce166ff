// korrix-cli scan [--adapter N] [--initial FILE] [--seconds N]: finds the
// multiplexes an adapter receives, adds them to the card input's definitions
// and prints each new one with its services.
#include "CliCommands.h"
#include "CliOptions.h"
#include "FileMultiplexSession.h"
#include "ServicePrinting.h"

#include "KRXTTBudgetInputPlugin.h"
#include "KRXTTChannelScan.h"
#include "KRXTTDvbv5Card.h"
#include "KRXTTMultiplexDefinition.h"

#include "platform/Event.h"
#include "platform/MessageBox.h"
#include "plugin/KRXPluginManager.h"
#include "stream/DVBTransportStreamReceiver.h"
#include "viewing/KRXViewingFlow.h"

#include <algorithm>
#include <cstdlib>

namespace {
constexpr int DEFAULT_SECONDS = 10;

struct ScanOptions {
    int adapter = -1; // -1: the first
    CString initialFile; // empty: every DVB-T channel in turn
    int seconds = DEFAULT_SECONDS;
};

CString ParseScanOptions(const KRXCliArguments& arguments, ScanOptions& options)
{
    KRXFileCommandLine line;
    CString misuse
        = ParseFileCommandLine(arguments, "scan", "scan", { "--adapter", "--initial", "--seconds" }, line, {}, false);
    if (misuse.empty() && !line.file.empty())
        misuse = "unexpected argument '" + line.file + "'";
    if (misuse.empty())
        misuse = ReadSecondsOption(line, options.seconds);
    if (misuse.empty() && line.values.count("--adapter") != 0) {
        const CString& text = line.values["--adapter"];
        char* end = nullptr;
        const long adapter = std::strtol(text.c_str(), &end, 10);
        if (text.empty() || *end != '\0' || adapter < 0 || adapter > 255)
            misuse = "'--adapter' needs an adapter number, not '" + text + "'";
        options.adapter = static_cast<int>(adapter);
    }
    options.initialFile = line.values["--initial"];
    return misuse;
}

// Opens the card as the program would, with the adapter asked for; the
// plug-in's messages become this command's one line of failure.
bool OpenCard(CKRXTTBudgetInputPlugin& plugin, int adapter, CString& error)
{
    if (adapter >= 0) {
        const std::vector<int> adapters = CKRXTTDvbv5Card::FindAdapters();
        const auto found = std::find(adapters.begin(), adapters.end(), adapter);
        if (found == adapters.end()) {
            error = FormatString("there is no DVB adapter %d", adapter);
            return false;
        }
        plugin.ChooseDevice(static_cast<int>(found - adapters.begin()));
    } else
        plugin.ChooseDevice(0);
    const MessageBoxHandler previous = SetMessageBoxHandler(
        [](const CString&, const CString&, unsigned type) { return DefaultMessageBoxAnswer(type); });
    plugin.Initialise();
    SetMessageBoxHandler(previous);
    if (plugin.IsCardUsable())
        return true;
    // One line: the message's line break becomes a blank.
    error = plugin.GetInputStatus();
    std::replace(error.begin(), error.end(), '\r', ' ');
    error.erase(std::remove(error.begin(), error.end(), '\n'), error.end());
    return false;
}

// The channel scan, ticking at its own pace; false when interrupted.
bool RunChannelScan(CKRXTTBudgetInputPlugin& plugin, KRXCliContext& context)
{
    CKRXTTChannelScan scan(plugin.GetCard(), plugin);
    size_t listed = 0;
    while (!scan.IsDone()) {
        scan.Tick();
        CString status = scan.GetStatusText();
        if (!status.empty() && status.back() == '\n')
            status.pop_back();
        const auto rows = scan.GetFoundRows();
        for (; listed < rows.size(); ++listed)
            context.out << "Found channel " << rows[listed][1] << " (" << rows[listed][2] << " kHz)" << std::endl;
        if (scan.IsDone())
            break;
        context.out << FormatString("[%d/%d] ", scan.GetProgressPosition(), scan.GetProgressRange()) << status << "\r"
                    << std::flush;
        if (context.interrupted->Wait(scan.GetTickMilliseconds()))
            return false;
    }
    context.out << "\n";
    scan.Commit();
    return true;
}

bool RunFastScan(CKRXTTBudgetInputPlugin& plugin, const CString& initialFile, KRXCliContext& context)
{
    std::vector<KRXTTFoundMultiplex> found;
    CString error;
    const bool completed = plugin.ScanInitialFile(
        initialFile,
        [&context](const CString& step) {
            context.out << step << std::endl;
            return !context.interrupted->IsSet();
        },
        found, error);
    if (!completed)
        context.Fail(error);
    return completed;
}

CString DescribeMultiplex(CKRXTTMultiplexDefinition& definition)
{
    if (definition.GetFrontendType() == KRX_TT_FRONTEND_DVBS)
        return FormatString("%u MHz", definition.m_frequency);
    return FormatString("channel %s, %u kHz", definition.GetChannelText().c_str(), definition.m_frequency);
}

// Receives the multiplex until its services are known (at most the given
// seconds) and prints them as the services command does.
void PrintMultiplex(
    CKRXTTBudgetInputPlugin& plugin, CKRXTTMultiplexDefinition& definition, int seconds, KRXCliContext& context)
{
    context.out << "Multiplex " << definition.GetName() << " (" << DescribeMultiplex(definition) << ")\n";
    CKRXViewingFlow flow(*CKRXPluginManager::GetPluginManager(), nullptr, nullptr);
    flow.OpenMultiplex(&plugin, &definition);
    CDVBTransportStreamReceiver* receiver = flow.GetReceiver();
    CKRXFileMultiplexSession::RunFor(
        seconds, context.interrupted, [] {},
        [receiver] { return receiver->HasCompleteBasicServiceInformation() && HasAnnouncedNowAndNext(receiver); });
    if (!PrintServices(context.out, receiver))
        context.out << "  no service information received\n\n";
    flow.CloseMultiplex();
}
} // namespace

int RunScanCommand(const KRXCliArguments& arguments, KRXCliContext& context)
{
    ScanOptions options;
    const CString misuse = ParseScanOptions(arguments, options);
    if (!misuse.empty())
        return context.Misused(misuse);

    CKRXTTBudgetInputPlugin plugin;
    CString error;
    if (!OpenCard(plugin, options.adapter, error))
        return context.Fail(error);
    if (options.initialFile.empty() && plugin.GetFrontendType() != KRX_TT_FRONTEND_DVBT)
        return context.Fail("without '--initial' only DVB-T adapters can be scanned");
    const int before = plugin.GetMultiplexDefinitionCount();
    const bool completed = options.initialFile.empty() ? RunChannelScan(plugin, context)
                                                       : RunFastScan(plugin, options.initialFile, context);
    const int after = plugin.GetMultiplexDefinitionCount();
    context.out << FormatString("%d new multiplex%s found.\n", after - before, after - before == 1 ? "" : "es");
    if (after > before && !plugin.SaveMultiplexDefinitions())
        return context.Fail("cannot save the multiplexes to '" + plugin.GetMultiplexDefinitionsFilename() + "'");
    if (after > before)
        context.out << "Saved to " << plugin.GetMultiplexDefinitionsFilename() << "\n\n";
    for (int i = before; i < after && !context.interrupted->IsSet(); ++i)
        PrintMultiplex(plugin, *static_cast<CKRXTTMultiplexDefinition*>(plugin.GetMultiplexDefinitionAtIndex(i)),
            options.seconds, context);
    context.out.flush();
    plugin.DeInitialise();
    return completed ? KRX_CLI_OK : KRX_CLI_FAILED;
}
