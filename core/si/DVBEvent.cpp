#include "si/DVBEvent.h"

#include "si/DVBDescriptorTags.h"
#include "si/DVBEITSection.h"
#include "si/DVBPayloadDescriptor.h"
#include "si/DVBShortEventDescriptor.h"
#include "si/DVBText.h"
#include "si/DVBTime.h"

namespace {
// Reads the fields of one payload front to back; a read past the end gives
// nothing and marks the reader as run out.
class CPayloadReader
{
public:
    explicit CPayloadReader(const std::vector<unsigned char>& payload)
        : m_data(payload)
    {
    }
    bool AtEnd() const { return m_position >= m_data.size(); }
    unsigned char Byte() { return m_position < m_data.size() ? m_data[m_position++] : (m_position++, 0); }
    CString Text(size_t length)
    {
        CString text;
        for (; length > 0 && m_position < m_data.size(); --length)
            text += static_cast<char>(m_data[m_position++]);
        return text;
    }
    CString LengthPrefixedText() { return Text(Byte()); }
    bool RanOut() const { return m_position > m_data.size(); }

private:
    const std::vector<unsigned char>& m_data;
    size_t m_position = 0;
};

// How many bytes the character-table selector at the start of a DVB text takes.
size_t SelectorLength(const CString& raw)
{
    if (raw.empty())
        return 0;
    const unsigned char first = raw[0];
    if (first == 0x10)
        return 3;
    if (first == 0x1F)
        return 2;
    return first < 0x20 ? 1 : 0;
}

// Extended event texts continue one another: the whole is one text in the
// first part's character table, so later parts lose their own selector
// before the bytes are joined (a character may be split between two parts).
void ReadExtendedEvents(const CDVBDescriptorList& descriptors, CDVBEvent& event)
{
    CString text, items;
    for (const CDVBDescriptor* descriptor : descriptors) {
        if (descriptor->GetTag() != DVB_TAG_EXTENDED_EVENT)
            continue;
        CPayloadReader reader(static_cast<const CDVBPayloadDescriptor*>(descriptor)->GetPayload());
        reader.Byte(); // descriptor number and last number: the loop is in order
        reader.Text(3); // the language is the short event's
        const size_t itemsLength = reader.Byte();
        const CString itemBytes = reader.Text(itemsLength);
        std::vector<unsigned char> itemPayload(itemBytes.begin(), itemBytes.end());
        CPayloadReader itemReader(itemPayload);
        while (!itemReader.AtEnd()) {
            const CString description = DVBTextToUTF8(itemReader.LengthPrefixedText());
            const CString item = DVBTextToUTF8(itemReader.LengthPrefixedText());
            if (!itemReader.RanOut())
                items += description + ": " + item + "\n";
        }
        CString part = reader.LengthPrefixedText();
        if (!text.empty())
            part.erase(0, SelectorLength(part));
        text += part;
    }
    event.extendedText = DVBTextToUTF8(text);
    if (!items.empty())
        event.extendedText += (event.extendedText.empty() ? "" : "\n") + items.substr(0, items.size() - 1);
}

void ReadPayloadDescriptor(const CDVBPayloadDescriptor& descriptor, CDVBEvent& event)
{
    CPayloadReader reader(descriptor.GetPayload());
    switch (descriptor.GetTag()) {
    case DVB_TAG_CONTENT:
        while (!reader.AtEnd()) {
            const unsigned char nibbles = reader.Byte();
            reader.Byte(); // the broadcaster's own byte
            if (!reader.RanOut())
                event.genres.push_back(nibbles);
        }
        break;
    case DVB_TAG_PARENTAL_RATING:
        while (!reader.AtEnd()) {
            CDVBEventRating rating;
            rating.country = reader.Text(3);
            const unsigned char value = reader.Byte();
            // 1 to 15 mean a minimum age of 4 to 18; other values are undefined or the broadcaster's.
            if (!reader.RanOut() && value >= 0x01 && value <= 0x0F) {
                rating.minimumAge = value + 3;
                event.ratings.push_back(rating);
            }
        }
        break;
    case DVB_TAG_COMPONENT: {
        CDVBEventComponent component;
        component.streamContent = reader.Byte() & 0x0F;
        component.componentType = reader.Byte();
        reader.Byte(); // component tag
        component.language = reader.Text(3);
        if (reader.RanOut())
            break;
        component.text = DVBTextToUTF8(reader.Text(descriptor.GetPayload().size()));
        event.components.push_back(component);
        break;
    }
    case DVB_TAG_CONTENT_IDENTIFIER:
        while (!reader.AtEnd()) {
            const unsigned char typeAndLocation = reader.Byte();
            if ((typeAndLocation & 0x03) != 0) {
                reader.Text(2); // a reference into a table the guide does not read
                continue;
            }
            const CString crid = reader.LengthPrefixedText();
            if (reader.RanOut())
                break;
            const unsigned char type = typeAndLocation >> 2;
            if (type == 0x01 || type == 0x31)
                event.episodeCrid = crid;
            else if (type == 0x02 || type == 0x32)
                event.seriesCrid = crid;
        }
        break;
    default:
        break;
    }
}
} // namespace

CDVBEvent CDVBEvent::Read(const CDVBEITEntry& entry)
{
    CDVBEvent event;
    event.eventId = entry.eventId;
    event.start = DVBTimeToUTCSeconds(entry.startDate, entry.startTime);
    event.duration = BCDTimeToSeconds(entry.duration);
    event.runningStatus = entry.runningStatus;
    if (auto* shortEvent = dynamic_cast<CDVBShortEventDescriptor*>(entry.descriptors.Find(DVB_TAG_SHORT_EVENT))) {
        event.language = shortEvent->GetLanguage();
        event.title = DVBTextToUTF8(shortEvent->GetEventName());
        event.shortText = DVBTextToUTF8(shortEvent->GetText());
    }
    ReadExtendedEvents(entry.descriptors, event);
    for (const CDVBDescriptor* descriptor : entry.descriptors) {
        if (descriptor->GetTag() != DVB_TAG_EXTENDED_EVENT)
            if (auto* payload = dynamic_cast<const CDVBPayloadDescriptor*>(descriptor))
                ReadPayloadDescriptor(*payload, event);
    }
    return event;
}

CString DVBGenreName(unsigned char contentNibbles)
{
    static const char* const names[] = { "", "Movie / Drama", "News / Current affairs", "Show / Game show", "Sports",
        "Children's / Youth programmes", "Music / Ballet / Dance", "Arts / Culture",
        "Social / Political issues / Economics", "Education / Science / Factual topics", "Leisure hobbies",
        "Special characteristics", "", "", "", "" };
    return names[contentNibbles >> 4];
}
