// Loading KRXAVAudio.so registers its one plug-in; unloading deletes it.
#include "KRXAVAudioDecoderPlugin.h"

#include "plugin/KRXPluginRegistrar.h"

namespace {
CKRXPluginRegistrar<CKRXAVAudioDecoderPlugin> g_registrar;
}
