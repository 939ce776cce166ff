#include "viewing/KRXServiceSearch.h"

#include "si/DVBProgram.h"
#include "stream/DVBTransportStreamReceiver.h"

#include <cerrno>
#include <cstdlib>

namespace {
bool ParseProgramNumber(const CString& text, unsigned short& number)
{
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || text[0] < '0' || text[0] > '9' || *end != '\0' || errno != 0 || value > 0xFFFF)
        return false;
    number = static_cast<unsigned short>(value);
    return true;
}

const CDVBProgram* FindByNumberOrName(CDVBTransportStreamReceiver* receiver, const CString& service)
{
    unsigned short number = 0;
    if (ParseProgramNumber(service, number)) {
        if (const CDVBProgram* program = receiver->GetProgram(number))
            return program;
    }
    for (const CDVBProgram* program : *receiver->GetProgramsList()) {
        if (program->HasSeenSDT() && program->GetServiceName() == service)
            return program;
    }
    return nullptr;
}
} // namespace

EServiceSearch FindService(CDVBTransportStreamReceiver* receiver, const CString& service, unsigned short& programNumber)
{
    CSingleLock lock(receiver->GetProgramsSection(), true);
    const bool complete = receiver->HasCompleteBasicServiceInformation();
    const CDVBProgram* program = FindByNumberOrName(receiver, service);
    if (program == nullptr)
        return complete ? EServiceSearch::Absent : EServiceSearch::Waiting;
    // Its components come with its PMT; selecting it earlier would start nothing.
    if (!program->HasSeenPMT())
        return EServiceSearch::Waiting;
    programNumber = program->GetProgramNumber();
    return EServiceSearch::Found;
}

bool FindChannel(CDVBTransportStreamReceiver* receiver, unsigned number, unsigned short& programNumber)
{
    CSingleLock lock(receiver->GetProgramsSection(), true);
    bool anyNumbered = false;
    for (const CDVBProgram* program : *receiver->GetProgramsList()) {
        anyNumbered |= program->GetChannelNumber() >= 0;
        if (program->GetChannelNumber() == int(number)) {
            programNumber = program->GetProgramNumber();
            return true;
        }
    }
    if (anyNumbered || number > 0xFFFF || receiver->GetProgram((unsigned short)number) == nullptr)
        return false;
    programNumber = (unsigned short)number;
    return true;
}

CString DescribeUnreadPMT(CDVBTransportStreamReceiver* receiver, const CString& service)
{
    CSingleLock lock(receiver->GetProgramsSection(), true);
    const CDVBProgram* program = FindByNumberOrName(receiver, service);
    if (program == nullptr || program->HasSeenPMT())
        return "";
    const unsigned short pid = program->GetPMTPID();
    const uint64_t crcErrors = receiver->GetErrorCounts(pid).crcErrors;
    const CString why = crcErrors != 0 ? FormatString("%" PRIu64 " of its sections failed their CRC check", crcErrors)
                                       : CString("no whole section of it came");
    return FormatString(
        "service '%s' is listed, but its PMT (PID 0x%04X) could not be read: %s", service.c_str(), pid, why.c_str());
}
