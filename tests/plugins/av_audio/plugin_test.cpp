// The plug-in takes exactly the components it can decode, by their
// descriptions, and opens each with the right codec.
#include "DVBAVAudioFormat.h"
#include "DVBAVAudioReceiver.h"
#include "KRXAVAudioDecoderPlugin.h"

#include "plugin/DVBComponentDefinition.h"
#include "plugin/KRXAudioOutput.h"
#include "si/DVBProgramElement.h"

#include <gtest/gtest.h>

namespace {

TEST(AVAudioPlugin, TakesTodaysSoundFormatsAndNothingElse)
{
    CKRXAudioOutput::Set(CKRXAudioOutput::None);
    CKRXAVAudioDecoderPlugin plugin;
    CDVBComponentDefinition component;
    const std::pair<const char*, AVCodecID> taken[] = {
        { "audio AAC (eng)", AV_CODEC_ID_AAC },
        { "audio AAC", AV_CODEC_ID_AAC },
        { "audio AAC LATM", AV_CODEC_ID_AAC_LATM },
        { "audio description AAC LATM (deu)", AV_CODEC_ID_AAC_LATM },
        { "audio AC-3 (fra)", AV_CODEC_ID_AC3 },
        { "audio description E-AC-3 (eng)", AV_CODEC_ID_EAC3 },
        { "audio E-AC-3", AV_CODEC_ID_EAC3 },
    };
    for (const auto& [description, codec] : taken) {
        component.SetDescription(description);
        ASSERT_TRUE(plugin.SupportsComponent(&component)) << description;
        CDVBPIDReceiver* receiver = plugin.OpenComponent(&component);
        ASSERT_NE(dynamic_cast<CDVBAVAudioReceiver*>(receiver), nullptr) << description;
        EXPECT_EQ(static_cast<CDVBAVAudioReceiver*>(receiver)->GetCodec(), codec) << description;
        EXPECT_EQ(receiver->GetType(), DVB_RECEIVER_AUDIO);
        EXPECT_EQ(receiver->GetPlugin(), &plugin);
        EXPECT_TRUE(plugin.CloseComponent(receiver));
    }
    for (const char* description : { "audio", "audio (eng)", "audio description (eng)", "audio AAC LATMX",
             "audio AC-3 (english)", "audio AC-3(fra)", "audio DTS (eng)", "audioAAC", "Audio AAC", "video (H.264)",
             "subtitles (eng)", "audio description" }) {
        component.SetDescription(description);
        EXPECT_FALSE(plugin.SupportsComponent(&component)) << description;
        EXPECT_EQ(plugin.OpenComponent(&component), nullptr) << description;
    }
}

TEST(AVAudioPlugin, TakesDolbySoundTypedWithATSCStreamTypes)
{
    CKRXAudioOutput::Set(CKRXAudioOutput::None);
    CKRXAVAudioDecoderPlugin plugin;
    CDVBComponentDefinition component;
    for (const auto& [streamType, codec] :
        { std::pair { 0x81, AV_CODEC_ID_AC3 }, std::pair { 0x87, AV_CODEC_ID_EAC3 } }) {
        CDVBProgramElement element(0x103);
        element.SetStreamType(streamType);
        component.SetDescription(element.GetDescription());
        CDVBPIDReceiver* receiver = plugin.OpenComponent(&component);
        ASSERT_NE(receiver, nullptr) << streamType;
        EXPECT_EQ(static_cast<CDVBAVAudioReceiver*>(receiver)->GetCodec(), codec);
        EXPECT_TRUE(plugin.CloseComponent(receiver));
    }
}

} // namespace
