#include "si/DVBProgramElement.h"

#include "si/DVBLanguageDescriptor.h"
#include "si/DVBSubtitlingDescriptor.h"
#include "si/DVBTeletextDescriptor.h"

#include <iterator>

namespace {
// " (eng)" after a kind; nothing for a descriptor that names no language.
CString LanguageSuffix(const char* code)
{
    return code[0] == '\0' ? CString() : CString(" (") + code + ")";
}

enum : unsigned char {
    STREAM_TYPE_AAC = 0x0F,
    STREAM_TYPE_AAC_LATM = 0x11,
    STREAM_TYPE_H264 = 0x1B,
    STREAM_TYPE_HEVC = 0x24,
    // ATSC's codes, which other muxers write for Dolby audio too.
    STREAM_TYPE_ATSC_AC3 = 0x81,
    STREAM_TYPE_ATSC_ENHANCED_AC3 = 0x87,
};
} // namespace

CString CDVBProgramElement::GetDescription() const
{
    static const char* const plain[] = { "reserved", "video", "video", "audio", "audio", "private sections",
        "private PES", "MHEG", "DSMCC", "H.222.1", "DSMCC-A", "DSMCC-B", "DSMCC-C", "DSMCC-D", "auxilary" };
    switch (m_streamType) {
    case 3:
    case 4:
        return GetAudioDescription(nullptr);
    case 6:
        return GetPrivatePESDescription();
    case STREAM_TYPE_AAC:
        return GetAudioDescription("AAC");
    case STREAM_TYPE_AAC_LATM:
        return GetAudioDescription("AAC LATM");
    case STREAM_TYPE_ATSC_AC3:
        return GetAudioDescription("AC-3");
    case STREAM_TYPE_ATSC_ENHANCED_AC3:
        return GetAudioDescription("E-AC-3");
    case STREAM_TYPE_H264:
        return "video (H.264)";
    case STREAM_TYPE_HEVC:
        return "video (HEVC)";
    default:
        return m_streamType < std::size(plain) ? plain[m_streamType] : "unknown";
    }
}

std::vector<CString> CDVBProgramElement::GetComponentDescriptions() const
{
    const CString description = GetDescription();
    auto* teletext = dynamic_cast<const CDVBTeletextDescriptor*>(m_descriptors.Find(DVB_TAG_TELETEXT));
    if (teletext == nullptr || !description.starts_with("teletext"))
        return { description };
    std::vector<CString> descriptions;
    bool initialPage = false;
    for (const CDVBTeletextEntry& entry : teletext->GetEntries()) {
        initialPage |= entry.type == DVB_TELETEXT_INITIAL_PAGE;
        if (entry.type != DVB_TELETEXT_SUBTITLES && entry.type != DVB_TELETEXT_SUBTITLES_HEARING_IMPAIRED)
            continue;
        const char* kind
            = entry.type == DVB_TELETEXT_SUBTITLES ? "subtitles (teletext " : "subtitles hearing impaired (teletext ";
        descriptions.push_back(FormatString("%s%03X, %s)", kind, entry.page, entry.language));
    }
    if (initialPage || descriptions.empty())
        descriptions.insert(descriptions.begin(), description);
    return descriptions;
}

bool CDVBProgramElement::IsMPEGAudioDescription(const CString& description)
{
    // "audio" or "audio description", then nothing or " (" with up to three
    // language characters and ")"; other audio names a codec after the kind.
    CString rest;
    if (description.starts_with("audio description"))
        rest = description.substr(17);
    else if (description.starts_with("audio"))
        rest = description.substr(5);
    else
        return false;
    return rest.empty() || (rest.size() <= 6 && rest.starts_with(" (") && rest.ends_with(")"));
}

CString CDVBProgramElement::GetAudioDescription(const char* codec) const
{
    auto* language = dynamic_cast<const CDVBLanguageDescriptor*>(m_descriptors.Find(DVB_TAG_ISO_639_LANGUAGE));
    CString description = language != nullptr && language->GetAudioType() == 3 ? "audio description" : "audio";
    if (codec != nullptr)
        description += CString(" ") + codec;
    if (language != nullptr)
        description += LanguageSuffix(language->GetLanguage());
    return description;
}

CString CDVBProgramElement::GetPrivatePESDescription() const
{
    if (auto* subtitling = dynamic_cast<const CDVBSubtitlingDescriptor*>(m_descriptors.Find(DVB_TAG_SUBTITLING)))
        return "subtitles" + LanguageSuffix(subtitling->GetLanguage());
    if (auto* teletext = dynamic_cast<const CDVBTeletextDescriptor*>(m_descriptors.Find(DVB_TAG_TELETEXT)))
        return "teletext" + LanguageSuffix(teletext->GetLanguage());
    if (m_descriptors.Find(DVB_TAG_AC3) != nullptr)
        return GetAudioDescription("AC-3");
    if (m_descriptors.Find(DVB_TAG_ENHANCED_AC3) != nullptr)
        return GetAudioDescription("E-AC-3");
    return "private PES";
}
