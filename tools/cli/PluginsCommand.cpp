// korrix-cli plugins: what the program would load, one plug-in a line.
#include "CliCommands.h"
#include "plugin/KRXLoadedPlugins.h"

#include "plugin/KRXPlugin.h"
#include "plugin/KRXPluginManager.h"

namespace {
const char* TypeName(int type)
{
    switch (type) {
    case KRX_PLUGIN_INPUT:
        return "input";
    case KRX_PLUGIN_DECODER:
        return "decoder";
    case KRX_PLUGIN_DISPLAY:
        return "display";
    default:
        return "other";
    }
}

// Descriptions are written for a dialog and may run over lines ("\r\n");
// the listing keeps one plug-in a line.
CString OneLine(CString text)
{
    for (size_t at = text.find("\r\n"); at != CString::npos; at = text.find("\r\n", at + 1))
        text.replace(at, 2, " ");
    return text;
}
} // namespace

int RunPluginsCommand(const KRXCliArguments& arguments, KRXCliContext& context)
{
    if (!arguments.empty())
        return context.Misused("'plugins' takes no arguments");
    CKRXLoadedPlugins plugins(context.pluginFolder);
    CKRXPluginManager* manager = plugins.GetManager();
    if (manager->GetPluginCount() == 0)
        return context.Fail("no plug-ins found in " + plugins.GetFolder());
    for (int i = 0; i < manager->GetPluginCount(); ++i) {
        CKRXPlugin* plugin = manager->GetPluginAtIndex(i);
        if (plugin != nullptr)
            context.out << FormatString("%-8s %-16s %s\n", TypeName(plugin->GetType()), plugin->GetName().c_str(),
                OneLine(plugin->GetDescription()).c_str());
    }
    return KRX_CLI_OK;
}
