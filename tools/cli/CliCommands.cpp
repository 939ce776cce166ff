#include "CliCommands.h"

#include "plugin/KRXAudioOutput.h"

#include <algorithm>

namespace {
void PrintCommand(std::ostream& stream, const KRXCliCommand& command)
{
    stream << "  korrix-cli " << command.usage << "\n      " << command.summary << "\n";
}

void PrintUsage(std::ostream& stream)
{
    stream << "Usage: korrix-cli COMMAND [ARGUMENTS]\n       korrix-cli COMMAND --help\n       korrix-cli --version\n"
              "\nCommands:\n";
    for (const KRXCliCommand& command : GetCliCommands())
        PrintCommand(stream, command);
}

bool IsHelpRequest(const CString& argument)
{
    return argument == "--help" || argument == "-h";
}

const KRXCliCommand* FindCommand(const CString& name)
{
    const auto& commands = GetCliCommands();
    const auto found = std::find_if(
        commands.begin(), commands.end(), [&](const KRXCliCommand& command) { return name == command.name; });
    return found == commands.end() ? nullptr : &*found;
}
} // namespace

const std::vector<KRXCliCommand>& GetCliCommands()
{
    static const std::vector<KRXCliCommand> commands = {
        { "plugins", "plugins", "Lists the loaded plug-ins with their type, name and description.", RunPluginsCommand },
        { "play",
            "play FILE.ts|--input NAME --multiplex NAME [--seconds N] [--record OUT.ts]\n"
            "      [--service S [--record-service] [--video-out window|y4m:PATH|none] [--deinterlace "
            "auto|off|bwdif|yadif]\n"
            "      [--audio-out device|wav:PATH|none] [--audio-language LANG] [--subtitle-language LANG|none]\n"
            "      [--av-log PATH] [--volume 0-100]]",
            "Plays a transport-stream file through the File plug-in, or the multiplex of that name of any\n"
            "      input plug-in (e.g. --input 'TT Budget DVB-T' --multiplex 'Mux 1'), showing the reception\n"
            "      status once a second; with --record, records the multiplex to OUT.ts (with --record-service,\n"
            "      the selected service alone, with a PAT and the SDT and EIT entries for it). With --service (a\n"
            "      programme number or an exact service name), decodes and presents that service: in a window\n"
            "      (the default with a display server), as YUV4MPEG2 pictures in PATH (PATH.1, PATH.2... when\n"
            "      the size changes) or nowhere, interlaced pictures deinterlaced at field rate (auto: those\n"
            "      the stream marks, with bwdif; bwdif, yadif: every picture); its sound on the sound device (the "
            "default), as WAV in PATH or\n"
            "      nowhere; one soundtrack and one subtitle language start, the user's (setting or locale)\n"
            "      unless given (ISO 639-2, e.g. deu); --av-log writes a line per picture presented and per\n"
            "      sound buffer released; --volume sets the sound's level (100, the default, as decoded).\n"
            "      Ctrl-C stops.",
            RunPlayCommand },
        { "services", "services FILE.ts [--seconds N] [--paced]",
            "Reads a transport-stream file once, as fast as it can, until its service information is\n"
            "      complete (at most N seconds, 10 by default) and prints every service with its now and next\n"
            "      events and its components. With --paced, plays it at its broadcast pace instead.",
            RunServicesCommand },
        { "devices", "devices", "Lists the DVB adapters with their frontend's name, type and frequency range.",
            RunDevicesCommand },
        { "scan",
            "scan [--adapter N] [--initial FILE [--diseqc N]] [--seconds N] | --satip SERVER[:PORT] --initial FILE "
            "[--src N]",
            "Scans a DVB adapter (the first by default) for multiplexes and adds those found to the card\n"
            "      input's multiplexes: from an initial-tuning file of dtv-scan-tables (e.g.\n"
            "      /usr/share/dvb/dvb-t/de-Berlin), following each network's list of multiplexes, with\n"
            "      satellites behind DiSEqC switch port N (0 to 3 for A to D); or without one every DVB-T\n"
            "      channel in turn (about 2.5 s per channel and offset). Prints every multiplex found with\n"
            "      its services and what changed in those already known (a channel scan receives each new\n"
            "      one for at most N seconds, 10 by default, to list them). With --satip, tunes each multiplex\n"
            "      of the file through that SAT>IP server instead (satellites at its source N, 1 by default)\n"
            "      and adds those it plays to the Network input's multiplexes. Ctrl-C stops.",
            RunScanCommand },
        { "epg", "epg FILE.ts|--input NAME --multiplex NAME [--seconds N] [--dir D] [--paced] [--xmltv OUT.xml]",
            "Reads a transport-stream file once, as fast as it can (at most N seconds, 10 by default), or\n"
            "      the multiplex of that name of any input plug-in for N seconds, collecting service\n"
            "      information, and leaves the guide's export in D/epg/epg.xml (D, made if missing, is the\n"
            "      current folder by default). With --paced, plays the file at its broadcast pace for N seconds.\n"
            "      With --xmltv, also writes every event of every service's schedule to OUT.xml in XMLTV.",
            RunEpgCommand },
        { "teletext", "teletext FILE.ts|--input NAME --multiplex NAME --service S [--page 100] [--seconds N]",
            "Plays a transport-stream file, or the multiplex of that name of any input plug-in, decodes the\n"
            "      teletext of the service (a programme number or an exact service name) and prints the page\n"
            "      (100 by default) as UTF-8 text, national characters included, as soon as it is complete;\n"
            "      fails when it has not come within N seconds (30 by default).",
            RunTeletextCommand },
        { "timers",
            "timers list | remove ID | add --input NAME --multiplex NAME --service S\n"
            "      (--start 'YYYY-MM-DD HH:MM:SS' --duration SECONDS | --event ID) [--file PATH]\n"
            "      [--padding BEFORE,AFTER]",
            "Lists, removes or adds the timers the program and the recorder share (in the user's data\n"
            "      folder). A timer records one service (a programme number or an exact service name) of the\n"
            "      multiplex of that name of an input plug-in: from a local start time for a number of\n"
            "      seconds, or the event of that id, whose title and times are read from the multiplex's guide\n"
            "      and whose running status the recording follows. The padding (seconds; the settings' 2 and\n"
            "      5 minutes by default) widens the times. --file is the file's pattern (by default\n"
            "      'Title - Service - YYYY-MM-DD HH-MM.ts' in the recordings' folder). A timer needing the\n"
            "      adapter on another multiplex while another timer records is added marked as a conflict.",
            RunTimersCommand },
        { "recorder", "recorder [--once]",
            "Records the timers as they come due, without the window, logging each start and stop; with\n"
            "      --once, ends when no timer is left waiting. Ctrl-C stops, leaving whole files.",
            RunRecorderCommand },
    };
    return commands;
}

int RunKorrixCli(const KRXCliArguments& arguments, KRXCliContext& context)
{
    if (arguments.empty()) {
        PrintUsage(context.err);
        return KRX_CLI_MISUSED;
    }
    const CString& name = arguments.front();
    if (name == "--version") {
        context.out << "korrix-cli " << KRX_VERSION << "\n";
        return KRX_CLI_OK;
    }
    const bool help = name == "help" || IsHelpRequest(name);
    // "help play" as well as "play --help".
    const CString& commandName = help && arguments.size() > 1 ? arguments[1] : name;
    if (help && arguments.size() == 1) {
        PrintUsage(context.out);
        return KRX_CLI_OK;
    }
    const KRXCliCommand* command = FindCommand(commandName);
    if (command == nullptr)
        return context.Misused("unknown command '" + commandName + "'");
    const KRXCliArguments rest(arguments.begin() + 1, arguments.end());
    // Only a service played makes sound; no other command opens the sound device.
    CKRXAudioOutput::Set(CKRXAudioOutput::None);
    if (help || std::any_of(rest.begin(), rest.end(), IsHelpRequest)) {
        context.out << "Usage:\n";
        PrintCommand(context.out, *command);
        return KRX_CLI_OK;
    }
    return command->run(rest, context);
}
