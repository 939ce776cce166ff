// korrix-cli scan [--adapter N] [--initial FILE [--diseqc N]] [--seconds N]:
// finds the multiplexes an adapter receives, adds them to the card input's
// definitions (updating those that changed) and prints each one with its
// services.
// korrix-cli scan --satip SERVER[:PORT] --initial FILE [--src N]: tunes the
// region file's multiplexes through a SAT>IP server and adds those it plays
// to the Network input's definitions.
#include "CliCommands.h"
#include "CliOptions.h"
#include "FileMultiplexSession.h"
#include "ServicePrinting.h"
#include "plugin/KRXLoadedPlugins.h"

#include "KRXNetRegionFile.h"
#include "KRXNetSatIpScan.h"
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
#include <functional>

namespace {
constexpr int DEFAULT_SECONDS = 10;

struct ScanOptions {
    int adapter = -1; // -1: the first
    CString initialFile; // empty: every DVB-T channel in turn
    int diseqcPort = -1; // satellite: the committed switch port 0..3
    int seconds = DEFAULT_SECONDS;
    CString satipServer; // empty: scan with a card
    int satipSource = 1;
};

// A number from low to high, or a message saying what was wanted.
CString ReadNumberOption(
    KRXFileCommandLine& line, const char* option, long low, long high, const char* what, int& value)
{
    if (line.values.count(option) == 0)
        return "";
    const CString& text = line.values[option];
    char* end = nullptr;
    const long number = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || number < low || number > high)
        return FormatString("'%s' needs %s, not '", option, what) + text + "'";
    value = static_cast<int>(number);
    return "";
}

CString ParseScanOptions(const KRXCliArguments& arguments, ScanOptions& options)
{
    KRXFileCommandLine line;
    CString misuse = ParseFileCommandLine(arguments, "scan", "scan",
        { "--adapter", "--initial", "--diseqc", "--seconds", "--satip", "--src" }, line, {}, false);
    if (misuse.empty() && !line.file.empty())
        misuse = "unexpected argument '" + line.file + "'";
    if (misuse.empty())
        misuse = ReadSecondsOption(line, options.seconds);
    if (misuse.empty())
        misuse = ReadNumberOption(line, "--adapter", 0, 255, "an adapter number", options.adapter);
    if (misuse.empty())
        misuse = ReadNumberOption(line, "--diseqc", 0, 3, "a switch port from 0 to 3", options.diseqcPort);
    if (misuse.empty())
        misuse = ReadNumberOption(line, "--src", 1, 255, "a SAT>IP source from 1 to 255", options.satipSource);
    options.initialFile = line.values["--initial"];
    // Looked up without operator[], which would add the option.
    const bool satip = line.values.count("--satip") != 0;
    options.satipServer = satip ? line.values["--satip"] : "";
    if (misuse.empty() && satip && (options.satipServer.empty() || options.initialFile.empty()))
        misuse = "'--satip' needs a server and '--initial' a region file";
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

// A scan job, ticking at its own pace, each find told as it comes; false when interrupted.
bool RunScanJob(
    CKRXScanJob& scan, const std::function<CString(const std::vector<CString>&)>& describe, KRXCliContext& context)
{
    size_t listed = 0;
    while (!scan.IsDone()) {
        scan.Tick();
        CString status = scan.GetStatusText();
        if (!status.empty() && status.back() == '\n')
            status.pop_back();
        const auto rows = scan.GetFoundRows();
        for (; listed < rows.size(); ++listed)
            context.out << "Found " << describe(rows[listed]) << std::endl;
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

bool RunChannelScan(CKRXTTBudgetInputPlugin& plugin, KRXCliContext& context)
{
    CKRXTTChannelScan scan(plugin.GetCard(), plugin);
    return RunScanJob(
        scan, [](const std::vector<CString>& row) { return "channel " + row[1] + " (" + row[2] + " kHz)"; }, context);
}

// Saves what a scan added to the plug-in, saying how many; false when it cannot be saved.
bool SaveNewMultiplexes(CKRXInputPlugin& plugin, int before, int changed, const CString& ending, KRXCliContext& context)
{
    const int after = plugin.GetMultiplexDefinitionCount();
    context.out << FormatString("%d new multiplex%s found", after - before, after - before == 1 ? "" : "es") << ending;
    if (after == before && changed == 0)
        return true;
    if (!plugin.SaveMultiplexDefinitions())
        return false;
    context.out << "Saved to " << plugin.GetMultiplexDefinitionsFilename() << "\n\n";
    return true;
}

int RunSatIpScan(const ScanOptions& options, KRXCliContext& context)
{
    std::vector<KRXNetRegionEntry> entries;
    CString error;
    if (!ReadNetRegionFile(options.initialFile, entries, error))
        return context.Fail(error);
    CKRXLoadedPlugins plugins(context.pluginFolder);
    CKRXInputPlugin* plugin = plugins.FindInputPlugin("Network");
    if (plugin == nullptr)
        return context.Fail("the Network input plug-in (KRXNetworkInput.so) is not in " + plugins.GetFolder());
    const int before = plugin->GetMultiplexDefinitionCount();
    CKRXNetSatIpScan scan(*plugin, options.satipServer, std::move(entries), options.satipSource);
    const bool completed = RunScanJob(
        scan, [](const std::vector<CString>& row) { return row[0] + " (" + row[1] + ")"; }, context);
    if (!SaveNewMultiplexes(*plugin, before, 0, ".\n", context))
        return context.Fail("cannot save the multiplexes to '" + plugin->GetMultiplexDefinitionsFilename() + "'");
    return completed ? KRX_CLI_OK : KRX_CLI_FAILED;
}

CString DescribeMultiplex(CKRXTTMultiplexDefinition& definition)
{
    CString system;
    definition.WriteFieldToString(definition.GetFrontendType() == KRX_TT_FRONTEND_DVBS ? 9 : 5, system);
    if (definition.GetFrontendType() == KRX_TT_FRONTEND_DVBS)
        return FormatString("%u MHz, ", definition.m_frequency) + system;
    if (definition.GetFrontendType() == KRX_TT_FRONTEND_DVBC)
        return FormatString("%u kHz, DVB-C", definition.m_frequency);
    return FormatString("channel %s, %u kHz, ", definition.GetChannelText().c_str(), definition.m_frequency) + system;
}

CKRXTTMultiplexDefinition* FindDefinition(CKRXTTBudgetInputPlugin& plugin, const CString& name)
{
    for (int i = 0; i < plugin.GetMultiplexDefinitionCount(); ++i) {
        if (plugin.GetMultiplexDefinitionAtIndex(i)->GetName() == name)
            return static_cast<CKRXTTMultiplexDefinition*>(plugin.GetMultiplexDefinitionAtIndex(i));
    }
    return nullptr;
}

// Every multiplex found, known or not, with the services the scan read and what changed.
void PrintFound(CKRXTTBudgetInputPlugin& plugin, const std::vector<KRXTTFoundMultiplex>& found, KRXCliContext& context)
{
    for (const KRXTTFoundMultiplex& multiplex : found) {
        CKRXTTMultiplexDefinition* definition = FindDefinition(plugin, multiplex.definitionName);
        if (definition == nullptr)
            continue;
        context.out << "Multiplex " << definition->GetName() << " (" << DescribeMultiplex(*definition)
                    << "): " << (multiplex.change.empty() ? CString("unchanged") : multiplex.change) << "\n";
        for (const CString& service : multiplex.services)
            context.out << "  " << service << "\n";
    }
}

// Returns the number of definitions changed; sets completed false when stopped or failed.
int RunFastScan(CKRXTTBudgetInputPlugin& plugin, const ScanOptions& options, KRXCliContext& context, bool& completed)
{
    std::vector<KRXTTFoundMultiplex> found;
    CString error;
    completed = plugin.ScanInitialFile(
        options.initialFile, options.diseqcPort,
        [&context](const CString& step) {
            context.out << step << std::endl;
            return !context.interrupted->IsSet();
        },
        found, error);
    if (!completed)
        context.Fail(error);
    context.out << "\n";
    PrintFound(plugin, found, context);
    return static_cast<int>(std::count_if(found.begin(), found.end(),
        [](const KRXTTFoundMultiplex& multiplex) { return !multiplex.change.empty() && multiplex.change != "new"; }));
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
    if (!options.satipServer.empty())
        return RunSatIpScan(options, context);

    CKRXTTBudgetInputPlugin plugin;
    CString error;
    if (!OpenCard(plugin, options.adapter, error))
        return context.Fail(error);
    if (options.initialFile.empty() && plugin.GetFrontendType() != KRX_TT_FRONTEND_DVBT)
        return context.Fail("without '--initial' only DVB-T adapters can be scanned");
    const int before = plugin.GetMultiplexDefinitionCount();
    bool completed = true;
    const int changed = options.initialFile.empty() ? (completed = RunChannelScan(plugin, context), 0)
                                                    : RunFastScan(plugin, options, context, completed);
    const int after = plugin.GetMultiplexDefinitionCount();
    const CString ending = options.initialFile.empty() ? CString(".\n") : FormatString(", %d changed.\n", changed);
    if (!SaveNewMultiplexes(plugin, before, changed, ending, context))
        return context.Fail("cannot save the multiplexes to '" + plugin.GetMultiplexDefinitionsFilename() + "'");
    // The channel scan reads no services itself: each new multiplex is received to list them.
    for (int i = before; options.initialFile.empty() && i < after && !context.interrupted->IsSet(); ++i)
        PrintMultiplex(plugin, *static_cast<CKRXTTMultiplexDefinition*>(plugin.GetMultiplexDefinitionAtIndex(i)),
            options.seconds, context);
    context.out.flush();
    plugin.DeInitialise();
    return completed ? KRX_CLI_OK : KRX_CLI_FAILED;
}
