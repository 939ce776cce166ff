// A plug-in module for the manager's tests, built once per kind of plug-in.
// Its plug-in says on the debug output when it is destroyed, so the tests can
// see that unloading the module deleted it.
#include "platform/DebugOutput.h"
#include "plugin/KRXDecoderPlugin.h"
#include "plugin/KRXDisplayPlugin.h"
#include "plugin/KRXInputPlugin.h"
#include "plugin/KRXPluginRegistrar.h"

namespace {
class CTestPlugin : public KRX_TEST_PLUGIN_BASE
{
public:
    ~CTestPlugin() override { DebugOutput(CString(KRX_TEST_PLUGIN_NAME) + " destroyed\n"); }
    CString GetName() override { return KRX_TEST_PLUGIN_NAME; }
    CString GetDescription() override { return "A plugin for testing the plugin manager."; }
};

CKRXPluginRegistrar<CTestPlugin> g_registrar;
} // namespace
