// Loading KRXTeletext.so registers its one plug-in; unloading deletes it.
#include "KRXTeletextDecoderPlugin.h"

#include "plugin/KRXPluginRegistrar.h"

namespace {
CKRXPluginRegistrar<CKRXTeletextDecoderPlugin> g_registrar;
}
