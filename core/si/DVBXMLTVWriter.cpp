#include "si/DVBXMLTVWriter.h"

#include "si/DVBSICollector.h"

#include <ctime>

namespace {
CString Escape(const CString& text)
{
    return CDVBSICollector::XMLEscape(text);
}

// An ISO 639-2 code as an xml:lang-style attribute, or nothing when the
// broadcast's bytes are not a language code.
CString LangAttribute(const CString& language)
{
    if (language.size() != 3)
        return "";
    CString code;
    for (char c : language) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c < 'a' || c > 'z')
            return "";
        code += c;
    }
    return " lang=\"" + code + "\"";
}

void AppendChannel(CString& xml, const CDVBGuideService& service)
{
    const CString name = service.name.empty() ? FormatString("Service %u", service.serviceId) : service.name;
    xml += "  <channel id=\"" + Escape(XMLTVChannelId(service)) + "\">\n";
    xml += "    <display-name>" + Escape(name) + "</display-name>\n";
    xml += "  </channel>\n";
}

void AppendTextElement(CString& xml, const char* element, const CString& lang, const CString& text)
{
    if (!text.empty())
        xml += FormatString("    <%s", element) + lang + ">" + Escape(text) + FormatString("</%s>\n", element);
}

// The children of a programme come in the order the format's DTD sets:
// title, desc, category, episode-num, rating. The short text and the
// extended text are two descriptions, shortest first.
void AppendProgramme(CString& xml, const CDVBGuideService& service, const CDVBEvent& event)
{
    xml += "  <programme start=\"" + XMLTVTime(event.start) + "\" stop=\"" + XMLTVTime(event.GetEnd()) + "\" channel=\""
        + Escape(XMLTVChannelId(service)) + "\">\n";
    const CString lang = LangAttribute(event.language);
    const CString title = event.title.empty() ? CString("(untitled)") : event.title;
    AppendTextElement(xml, "title", lang, title);
    AppendTextElement(xml, "desc", lang, event.shortText);
    AppendTextElement(xml, "desc", lang, event.extendedText);
    for (unsigned char genre : event.genres)
        AppendTextElement(xml, "category", " lang=\"en\"", DVBGenreName(genre));
    if (!event.episodeCrid.empty())
        xml += "    <episode-num system=\"dvb-crid\">" + Escape(event.episodeCrid) + "</episode-num>\n";
    for (const CDVBEventRating& rating : event.ratings) {
        xml += "    <rating system=\"dvb:" + Escape(rating.country) + "\">\n";
        xml += FormatString("      <value>%d</value>\n", rating.minimumAge);
        xml += "    </rating>\n";
    }
    xml += "  </programme>\n";
}
} // namespace

CString XMLTVChannelId(const CDVBGuideService& service)
{
    return FormatString("%u.%u.%u.dvb", service.serviceId, service.transportStreamId, service.originalNetworkId);
}

CString XMLTVTime(int64_t utcSeconds)
{
    const time_t instant = static_cast<time_t>(utcSeconds);
    struct tm local {
    };
    localtime_r(&instant, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d%H%M%S", &local);
    const long offset = local.tm_gmtoff / 60;
    const long magnitude = offset < 0 ? -offset : offset;
    return FormatString("%s %c%02ld%02ld", text, offset < 0 ? '-' : '+', magnitude / 60, magnitude % 60);
}

CString FormatXMLTV(const std::vector<CDVBGuideService>& guide)
{
    CString xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                  "<!DOCTYPE tv SYSTEM \"xmltv.dtd\">\n"
                  "<tv generator-info-name=\"Korrix\">\n";
    for (const CDVBGuideService& service : guide)
        AppendChannel(xml, service);
    for (const CDVBGuideService& service : guide)
        for (const CDVBEvent& event : service.events)
            AppendProgramme(xml, service, event);
    xml += "</tv>\n";
    return xml;
}
