#include "ServicePrinting.h"

#include "platform/UTF8.h"
#include "plugin/KRXReceptionStatus.h"
#include "si/DVBProgram.h"
#include "si/DVBText.h"
#include "stream/DVBTransportStreamReceiver.h"

namespace {
// Control characters, and bytes that are not UTF-8 (a language code of
// random bytes), are shown as \xNN so that a terminal never acts on them and
// the output stays valid UTF-8.
CString Visible(const CString& text)
{
    CString shown;
    for (size_t at = 0; at < text.size();) {
        const UTF8Sequence sequence = ReadUTF8Sequence(text.data() + at, text.size() - at);
        const bool valid = sequence.status == UTF8Sequence::VALID;
        const char32_t character = valid ? sequence.codePoint : 0;
        if (!valid || character < 0x20 || (character >= 0x7F && character < 0xA0)) {
            for (size_t i = 0; i < sequence.length; ++i)
                shown += FormatString("\\x%02X", static_cast<unsigned char>(text[at + i]));
        } else if (character == '\\') {
            shown += "\\\\";
        } else {
            shown.append(text, at, sequence.length);
        }
        at += sequence.length;
    }
    return shown;
}
} // namespace

bool HasNowAndNextWhereAnnounced(CDVBTransportStreamReceiver* receiver)
{
    CSingleLock lock(receiver->GetProgramsSection(), true);
    bool anyEIT = false;
    for (const CDVBProgram* program : *receiver->GetProgramsList())
        anyEIT |= program->HasSeenEIT();
    return !anyEIT || HasAnnouncedNowAndNext(receiver);
}

bool HasAnnouncedNowAndNext(CDVBTransportStreamReceiver* receiver)
{
    CSingleLock lock(receiver->GetProgramsSection(), true);
    for (CDVBProgram* program : *receiver->GetProgramsList()) {
        CDVBScheduleEntry now, next;
        const int found = program->GetSchedule()->GetNowAndNextInformation(&now, &next);
        if (program->GetEITPresentFollowingFlag() && found != (DVB_HAS_NOW | DVB_HAS_NEXT))
            return false;
    }
    return true;
}

namespace {
void PrintEvent(std::ostream& out, const char* label, const CDVBScheduleEntry& entry)
{
    out << "  " << label << ": " << entry.m_startDateText << " " << entry.m_startTimeText << ", "
        << entry.m_durationText << ", " << Visible(DVBTextToUTF8(entry.m_title)) << "\n";
    CString description;
    CDVBSchedule::ReformatDescription(DVBTextToUTF8(entry.m_description), description);
    // Each of the description's line breaks starts an indented line of its own.
    size_t start = 0;
    while (start < description.size()) {
        size_t end = description.find("\r\n", start);
        if (end == CString::npos)
            end = description.size();
        if (end > start)
            out << "      " << Visible(description.substr(start, end - start)) << "\n";
        start = end + 2;
    }
}

// pmtErrors: the faults counted on the programme's PMT PID.
void PrintService(std::ostream& out, CDVBProgram* program, const CDVBErrorCounts& pmtErrors)
{
    out << FormatString("Service %u: ", program->GetProgramNumber())
        << Visible(DVBTextToUTF8(program->GetServiceName())) << "\n";
    if (program->GetChannelNumber() >= 0)
        out << "  Channel number: " << program->GetChannelNumber() << (program->IsVisible() ? "\n" : ", hidden\n");
    out << "  Provider: " << Visible(DVBTextToUTF8(program->GetProviderName())) << "\n";
    out << "  Type: " << program->GetSDTServiceTypeName() << " (SDT), "
        << CDVBProgram::GetServiceTypeText(program->GetServiceTypeFromPMT()) << " (PMT)\n";
    out << "  Access: " << program->GetAccessTypeText() << "\n";
    CDVBScheduleEntry now, next;
    const int found = program->GetSchedule()->GetNowAndNextInformation(&now, &next);
    if (found & DVB_HAS_NOW)
        PrintEvent(out, "Now", now);
    if (found & DVB_HAS_NEXT)
        PrintEvent(out, "Next", next);
    out << "  Components:";
    if (program->GetElements().IsEmpty() && !program->HasSeenPMT() && pmtErrors.crcErrors != 0)
        out << FormatString(" unknown, its PMT fails the CRC check (PID %u)", program->GetPMTPID());
    else if (program->GetElements().IsEmpty())
        out << " none known";
    out << "\n";
    for (const CDVBProgramElement* element : program->GetElements())
        out << "    " << Visible(element->GetDescription()) << FormatString(" (PID %u)\n", element->GetPID());
}

// Only when there were any: the whole stream's faults, then each PID's.
void PrintStreamErrors(std::ostream& out, CDVBTransportStreamReceiver* receiver)
{
    const CDVBErrorCounts total = receiver->GetErrorCounts();
    if (!total.Any())
        return;
    out << "Stream errors: " << FormatErrorCounts(total) << "\n";
    for (unsigned pid = 0; pid < DVB_PID_COUNT; pid++) {
        const CDVBErrorCounts counts = receiver->GetErrorCounts(static_cast<unsigned short>(pid));
        if (counts.Any())
            out << FormatString("  PID %u: ", pid) << FormatErrorCounts(counts) << "\n";
    }
}
} // namespace

bool PrintServices(std::ostream& out, CDVBTransportStreamReceiver* receiver)
{
    CSingleLock lock(receiver->GetProgramsSection(), true);
    const CDVBProgramList* programs = receiver->GetProgramsList();
    for (CDVBProgram* program : *programs) {
        PrintService(out, program, receiver->GetErrorCounts(program->GetPMTPID()));
        out << "\n";
    }
    PrintStreamErrors(out, receiver);
    return !programs->IsEmpty();
}
