// Loading KRXNetworkInput.so registers its one plug-in; unloading deletes it.
#include "KRXNetInputPlugin.h"

#include "plugin/KRXPluginRegistrar.h"

namespace {
CKRXPluginRegistrar<CKRXNetInputPlugin> g_registrar;
}
