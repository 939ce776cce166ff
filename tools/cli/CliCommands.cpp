#include "CliCommands.h"

namespace {
void PrintUsage(std::ostream& stream)
{
    stream << "Usage: korrix-cli COMMAND [ARGUMENTS]\n\nCommands:\n";
    for (const KRXCliCommand& command : GetCliCommands())
        stream << "  korrix-cli " << command.usage << "\n      " << command.summary << "\n";
}
} // namespace

const std::vector<KRXCliCommand>& GetCliCommands()
{
    static const std::vector<KRXCliCommand> commands = {
        { "plugins", "plugins", "Lists the loaded plug-ins with their type, name and description.", RunPluginsCommand },
        { "play",
            "play FILE.ts [--seconds N] [--record OUT.ts] [--service S [--video-out window|y4m:PATH|none] "
            "[--av-log PATH]]",
            "Plays a transport-stream file through the File plug-in, showing the reception status once a second;\n"
            "      with --record, records the multiplex to OUT.ts. With --service (a programme number or an exact\n"
            "      service name), decodes and presents that service: in a window (the default with a display\n"
            "      server), as YUV4MPEG2 pictures in PATH (PATH.1, PATH.2... when the size changes) or nowhere;\n"
            "      --av-log writes a line per picture presented. Ctrl-C stops.",
            RunPlayCommand },
        { "services", "services FILE.ts [--seconds N]",
            "Plays a transport-stream file until its service information is complete (at most N seconds,\n"
            "      10 by default) and prints every service with its now and next events and its components.",
            RunServicesCommand },
        { "epg", "epg FILE.ts [--seconds N] [--dir D]",
            "Plays a transport-stream file for N seconds (10 by default) collecting service information\n"
            "      and leaves the guide's export in D/epg/epg.xml (D is the current folder by default).",
            RunEpgCommand },
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
    if (name == "help" || name == "--help" || name == "-h") {
        PrintUsage(context.out);
        return KRX_CLI_OK;
    }
    for (const KRXCliCommand& command : GetCliCommands()) {
        if (name == command.name)
            return command.run(KRXCliArguments(arguments.begin() + 1, arguments.end()), context);
    }
    return context.Misused("unknown command '" + name + "'");
}
