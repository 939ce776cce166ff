// Loading KRXFileInput.so registers its one plug-in; unloading deletes it.
#include "KRXFileInputPlugin.h"

#include "plugin/KRXPluginRegistrar.h"

namespace {
CKRXPluginRegistrar<CKRXFileInputPlugin> g_registrar;
}
