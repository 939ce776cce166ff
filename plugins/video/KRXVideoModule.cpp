// Loading KRXVideo.so registers its one plug-in; unloading deletes it.
#include "KRXVideoDecoderPlugin.h"

#include "plugin/KRXPluginRegistrar.h"

namespace {
CKRXPluginRegistrar<CKRXVideoDecoderPlugin> g_registrar;
}
