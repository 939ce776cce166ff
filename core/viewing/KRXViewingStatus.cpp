#include "viewing/KRXViewingStatus.h"

#include "plugin/KRXReceptionStatus.h"
#include "stream/DVBTransportStreamReceiver.h"
#include "stream/DVBTransportStreamSource.h"
#include "viewing/KRXViewingFlow.h"

SKRXReceptionFigures ReadReceptionFigures(CDVBTransportStreamReceiver& receiver, CDVBTransportStreamSource& source)
{
    SKRXReceptionFigures figures;
    figures.secondsSinceStart = receiver.GetSecondsSinceStart();
    figures.dataBeingReceived = receiver.IsDataBeingReceived();
    figures.bitrate = receiver.GetReceivedBitrate();
    source.GetStatus(figures.sourceStatus);
    figures.errors = receiver.GetErrorCounts();
    return figures;
}

SKRXViewingStatus DescribeViewingStatus(const SKRXReceptionFigures* figures, int multiplexCount)
{
    if (figures == nullptr)
        return { multiplexCount > 0 ? "No multiplex selected." : "No multiplexes configured.", false };
    const CString text = FormatReceptionStatus(figures->secondsSinceStart, figures->dataBeingReceived, figures->bitrate,
        figures->sourceStatus, figures->errors);
    // The first second is still the search, not a failure.
    return { text, figures->secondsSinceStart <= 0 || figures->dataBeingReceived };
}

CString DescribeDecoders(const CKRXViewingFlow& flow)
{
    const CString names = flow.GetPlayingDecoderNames();
    return names.empty() ? CString() : " | decoders: " + names;
}
