// Loading KRXTTBudgetInput.so registers its one plug-in; unloading deletes it.
#include "KRXTTBudgetInputPlugin.h"

#include "plugin/KRXPluginRegistrar.h"

namespace {
CKRXPluginRegistrar<CKRXTTBudgetInputPlugin> g_registrar;
}
