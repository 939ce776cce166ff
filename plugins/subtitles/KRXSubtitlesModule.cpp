// Loading KRXSubtitles.so registers its one plug-in; unloading deletes it.
#include "KRXSubtitleDecoderPlugin.h"

#include "plugin/KRXPluginRegistrar.h"

namespace {
CKRXPluginRegistrar<CKRXSubtitleDecoderPlugin> g_registrar;
}
