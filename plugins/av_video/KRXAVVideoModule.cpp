// Loading KRXAVVideo.so registers its one plug-in; unloading deletes it.
#include "KRXAVVideoDecoderPlugin.h"

#include "plugin/KRXPluginRegistrar.h"

namespace {
CKRXPluginRegistrar<CKRXAVVideoDecoderPlugin> g_registrar;
}
