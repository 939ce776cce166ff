// Loading KRXAudio.so registers its one plug-in; unloading deletes it.
#include "KRXAudioDecoderPlugin.h"

#include "plugin/KRXPluginRegistrar.h"

namespace {
CKRXPluginRegistrar<CKRXAudioDecoderPlugin> g_registrar;
}
