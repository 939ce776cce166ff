// korrix-cli timers list | remove ID | add --input NAME --multiplex NAME --service S
// (--start 'YYYY-MM-DD HH:MM:SS' --duration SECONDS | --event ID) [--file PATH] [--padding BEFORE,AFTER]:
// the timers the program and the recorder share, in the user's data folder.
#include "CliCommands.h"
#include "CliOptions.h"
#include "FileMultiplexSession.h"
#include "plugin/KRXLoadedPlugins.h"

#include "platform/Event.h"
#include "platform/ProgramFolder.h"
#include "plugin/DVBMultiplexDefinition.h"
#include "plugin/KRXInputPlugin.h"
#include "si/DVBSICollector.h"
#include "timers/KRXTimerSettings.h"
#include "timers/KRXTimerStore.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {
// How long the guide is read for the event a timer is to record.
constexpr int kEventSearchSeconds = 30;
constexpr uint32_t kEventPollMs = 50;

bool ParseNumber(const CString& text, long long low, long long high, long long& value)
{
    char* end = nullptr;
    errno = 0;
    value = std::strtoll(text.c_str(), &end, 10);
    return !text.empty() && *end == '\0' && errno == 0 && value >= low && value <= high;
}

// 'YYYY-MM-DD HH:MM:SS' in local time, as UTC seconds.
bool ParseLocalTime(const CString& text, int64_t& seconds)
{
    std::tm local {};
    int consumed = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%n", &local.tm_year, &local.tm_mon, &local.tm_mday,
            &local.tm_hour, &local.tm_min, &local.tm_sec, &consumed)
            != 6
        || size_t(consumed) != text.size())
        return false;
    local.tm_year -= 1900;
    local.tm_mon -= 1;
    local.tm_isdst = -1;
    const time_t utc = std::mktime(&local);
    seconds = utc;
    return utc != time_t(-1);
}

CString FormatLocalTime(int64_t utc, const char* format)
{
    const time_t time = utc;
    std::tm local {};
    localtime_r(&time, &local);
    char text[40];
    std::strftime(text, sizeof text, format, &local);
    return text;
}

CString DescribeTimer(const CKRXTimer& timer)
{
    CString line = FormatString("%d  %-9s  %s - %s  %s / %s / %s", timer.id, CKRXTimer::StateName(timer.state),
        FormatLocalTime(timer.start, "%Y-%m-%d %H:%M:%S").c_str(), FormatLocalTime(timer.stop, "%H:%M:%S").c_str(),
        timer.input.c_str(), timer.multiplex.c_str(),
        timer.serviceName.empty() ? FormatString("%u", timer.serviceId).c_str() : timer.serviceName.c_str());
    line += FormatString("  padding %" PRId64 " s, %" PRId64 " s", timer.paddingBefore, timer.paddingAfter);
    if (!timer.title.empty())
        line += "  '" + timer.title + "'";
    if (timer.HasEvent())
        line += FormatString("  event %d%s", timer.eventId, timer.followEvent ? " (followed)" : "");
    if (!timer.file.empty())
        line += "  -> " + timer.file;
    if (!timer.conflict.empty())
        line += "  CONFLICT: " + timer.conflict;
    if (!timer.reason.empty())
        line += "  (" + timer.reason + ")";
    return line;
}

int ListTimers(const KRXCliArguments& arguments, KRXCliContext& context)
{
    if (arguments.size() != 1)
        return context.Misused("'timers list' takes nothing more");
    CKRXTimerList timers;
    CString error;
    const bool read = CKRXTimerStore::ForUser().Read(timers, error);
    for (const CKRXTimer& timer : timers.GetTimers())
        context.out << DescribeTimer(timer) << "\n";
    if (timers.GetTimers().empty() && read)
        context.out << "No timers.\n";
    return read ? KRX_CLI_OK : context.Fail(error);
}

int RemoveTimer(const KRXCliArguments& arguments, KRXCliContext& context)
{
    long long id = 0;
    if (arguments.size() != 2 || !ParseNumber(arguments[1], 1, INT32_MAX, id))
        return context.Misused("'timers remove' needs the number of a timer");
    bool found = false;
    CString error;
    if (!CKRXTimerStore::ForUser().Change([&](CKRXTimerList& timers) { found = timers.Remove(int(id)); }, error))
        return context.Fail(error);
    if (!found)
        return context.Fail(FormatString("there is no timer %lld", id));
    context.out << FormatString("Removed timer %lld.", id) << std::endl;
    return KRX_CLI_OK;
}

CString ParsePadding(const CString& text, CKRXTimer& timer)
{
    const size_t comma = text.find(',');
    long long before = 0, after = 0;
    if (comma == CString::npos || !ParseNumber(text.substr(0, comma), 0, 86400, before)
        || !ParseNumber(text.substr(comma + 1), 0, 86400, after))
        return "'--padding' is BEFORE,AFTER in whole seconds, not '" + text + "'";
    timer.paddingBefore = before;
    timer.paddingAfter = after;
    return "";
}

// The timer's times, or an empty text and its event to look up in eventId.
CString ParseWhen(const KRXFileCommandLine& line, CKRXTimer& timer)
{
    const auto value = [&line](const char* option) {
        const auto given = line.values.find(option);
        return given == line.values.end() ? CString() : given->second;
    };
    const bool byTime = !value("--start").empty() || !value("--duration").empty();
    if (byTime == !value("--event").empty())
        return "'timers add' needs '--start' with '--duration', or '--event'";
    long long number = 0;
    if (!byTime) {
        if (!ParseNumber(value("--event"), 0, 0xFFFF, number))
            return "'--event' is an event id from 0 to 65535, not '" + value("--event") + "'";
        timer.eventId = int(number);
        return "";
    }
    if (!ParseLocalTime(value("--start"), timer.start))
        return "'--start' is 'YYYY-MM-DD HH:MM:SS' in local time, not '" + value("--start") + "'";
    if (!ParseNumber(value("--duration"), 1, 7 * 86400, number))
        return "'--duration' is a whole number of seconds up to a week, not '" + value("--duration") + "'";
    timer.stop = timer.start + number;
    // A timer by its times alone has no event to follow.
    timer.followEvent = false;
    return "";
}

CString ParseAddOptions(const KRXCliArguments& arguments, CKRXTimer& timer)
{
    KRXFileCommandLine line;
    const KRXCliArguments rest(arguments.begin() + 1, arguments.end());
    CString misuse = ParseFileCommandLine(rest, "timers add", "",
        { "--input", "--multiplex", "--service", "--start", "--duration", "--event", "--file", "--padding" }, line, {},
        false);
    if (misuse.empty() && !line.file.empty())
        misuse = "'timers add' takes no '" + line.file + "'";
    for (const char* needed : { "--input", "--multiplex", "--service" }) {
        if (misuse.empty() && line.values[needed].empty())
            misuse = "'timers add' needs '" + CString(needed) + "'";
    }
    if (!misuse.empty())
        return misuse;
    timer.input = line.values["--input"];
    timer.multiplex = line.values["--multiplex"];
    long long sid = 0;
    if (ParseNumber(line.values["--service"], 1, 0xFFFF, sid))
        timer.serviceId = static_cast<unsigned short>(sid);
    else
        timer.serviceName = line.values["--service"];
    timer.filePattern = line.values["--file"];
    misuse = ParseWhen(line, timer);
    if (misuse.empty() && line.values.count("--padding") != 0)
        misuse = ParsePadding(line.values["--padding"], timer);
    return misuse;
}

// The input plug-in and its multiplex of the timer, when both are known.
bool CheckMultiplex(const CKRXLoadedPlugins& plugins, const CKRXTimer& timer, CString& error)
{
    CKRXInputPlugin* input = plugins.FindInputPlugin(timer.input);
    if (input == nullptr) {
        error = "there is no input '" + timer.input + "'";
        return false;
    }
    for (auto position = input->GetFirstMultiplexDefinitionPosition(); input->IsValid(position);) {
        if (input->GetNextMultiplexDefinition(position)->GetName() == timer.multiplex)
            return true;
    }
    error = "'" + timer.input + "' has no multiplex '" + timer.multiplex + "'";
    return false;
}

bool TakeEvent(CDVBSICollector& collector, CKRXTimer& timer)
{
    for (const CDVBGuideService& service : collector.GetGuide()) {
        const bool named
            = timer.serviceId == 0 ? service.name == timer.serviceName : service.serviceId == timer.serviceId;
        if (!named)
            continue;
        for (const CDVBEvent& event : service.events) {
            if (event.eventId != timer.eventId)
                continue;
            timer.originalNetworkId = service.originalNetworkId;
            timer.transportStreamId = service.transportStreamId;
            timer.serviceId = service.serviceId;
            timer.serviceName = service.name;
            timer.title = event.title;
            timer.start = event.start;
            timer.stop = event.GetEnd();
            return true;
        }
    }
    return false;
}

// Reads the multiplex's guide until the timer's event comes, for its title and times.
bool LookUpEvent(const CKRXLoadedPlugins& plugins, CKRXTimer& timer, KRXCliContext& context, CString& error)
{
    CKRXFileMultiplexSession session(plugins);
    if (!session.OpenDefinition(timer.input, timer.multiplex, error))
        return false;
    CDVBSICollector collector(GetUserDataFolder() + "timer guide/");
    session.StartReceiver(nullptr, &collector);
    bool found = false;
    CKRXFileMultiplexSession::RunFor(
        kEventSearchSeconds, context.interrupted, [] {}, [&] { return (found = TakeEvent(collector, timer)); });
    session.Close();
    if (!found)
        error = FormatString("event %d of service '%s' was not in the guide of '%s' within %d s", timer.eventId,
            timer.serviceId != 0 ? FormatString("%u", timer.serviceId).c_str() : timer.serviceName.c_str(),
            timer.multiplex.c_str(), kEventSearchSeconds);
    return found;
}

int AddTimer(const KRXCliArguments& arguments, KRXCliContext& context)
{
    CKRXTimer timer;
    const CKRXTimerSettings settings(CProfileSettings::ForUser());
    timer.paddingBefore = settings.GetPaddingBefore();
    timer.paddingAfter = settings.GetPaddingAfter();
    const CString misuse = ParseAddOptions(arguments, timer);
    if (!misuse.empty())
        return context.Misused(misuse);
    CKRXLoadedPlugins plugins(context.pluginFolder);
    CString error;
    if (!CheckMultiplex(plugins, timer, error) || (timer.HasEvent() && !LookUpEvent(plugins, timer, context, error)))
        return context.Fail(error);
    CString conflict;
    if (!CKRXTimerStore::ForUser().Change(
            [&](CKRXTimerList& timers) {
                conflict = timers.Add(timer);
                timer = timers.GetTimers().back();
            },
            error))
        return context.Fail(error);
    context.out << "Added timer " << DescribeTimer(timer) << std::endl;
    if (!conflict.empty())
        context.err << FormatString("korrix-cli: timer %d conflicts: %s", timer.id, conflict.c_str()) << std::endl;
    return KRX_CLI_OK;
}
} // namespace

int RunTimersCommand(const KRXCliArguments& arguments, KRXCliContext& context)
{
    const CString action = arguments.empty() ? CString() : arguments.front();
    if (action == "list")
        return ListTimers(arguments, context);
    if (action == "remove")
        return RemoveTimer(arguments, context);
    if (action == "add")
        return AddTimer(arguments, context);
    return context.Misused("'timers' is followed by list, remove or add");
}
