// Loading KRXDisplayDX.so registers its one plug-in; unloading deletes it.
#include "KRXDisplayDXPlugin.h"

#include "plugin/KRXPluginRegistrar.h"

namespace {
CKRXPluginRegistrar<CKRXDisplayDXPlugin> g_registrar;
}
