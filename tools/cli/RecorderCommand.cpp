// korrix-cli recorder [--once]: records the timers without the window, as
// they come due, logging each start and stop; with --once it ends when no
// timer is left waiting. Ctrl-C stops what records, leaving whole files.
#include "CliCommands.h"
#include "CliOptions.h"
#include "CliTimerRecorder.h"
#include "plugin/KRXLoadedPlugins.h"

#include "platform/Event.h"
#include "timers/KRXTimerScheduler.h"
#include "timers/KRXTimerSettings.h"
#include "timers/KRXTimerStore.h"

#include <ctime>

namespace {
constexpr uint32_t kTickMs = 1000;

void Log(KRXCliContext& context, const std::vector<CString>& lines)
{
    const time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    for (const CString& line : lines)
        context.out << stamp << " " << line << std::endl;
}
} // namespace

int RunRecorderCommand(const KRXCliArguments& arguments, KRXCliContext& context)
{
    KRXFileCommandLine line;
    const CString misuse = ParseFileCommandLine(arguments, "recorder", "", {}, line, { "--once" }, false);
    if (!misuse.empty() || !line.file.empty())
        return context.Misused(misuse.empty() ? "'recorder' takes no '" + line.file + "'" : misuse);
    const bool once = line.values.count("--once") != 0;

    const CKRXTimerStore store = CKRXTimerStore::ForUser();
    CKRXLoadedPlugins plugins(context.pluginFolder);
    CKRXCliTimerRecorder recorder(plugins, context.interrupted);
    CKRXTimerScheduler scheduler(
        recorder, store.GetFolder(), CKRXTimerSettings(CProfileSettings::ForUser()).GetRecordingFolder());
    context.out << "Recording the timers of " << store.GetPath() << std::endl;
    bool working = true;
    CString error;
    do {
        std::vector<CString> log;
        const bool changed = store.Change(
            [&](CKRXTimerList& timers) {
                log = scheduler.Tick(std::time(nullptr), timers);
                working = scheduler.HasWork(timers);
            },
            error);
        Log(context, log);
        if (!changed)
            break;
    } while ((working || !once) && !context.interrupted->Wait(kTickMs));

    std::vector<CString> log;
    CString stopError;
    store.Change(
        [&](CKRXTimerList& timers) { log = scheduler.StopAll(timers, "the recorder was stopped"); }, stopError);
    Log(context, log);
    if (!error.empty())
        return context.Fail(error);
    return stopError.empty() ? KRX_CLI_OK : context.Fail(stopError);
}
