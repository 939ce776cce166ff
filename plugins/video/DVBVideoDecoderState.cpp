#include "DVBVideoDecoderState.h"

#include "plugin/DVBColourSpace.h"
#include "plugin/DVBDisplay.h"

#include <algorithm>
#include <cstdint>
#include <utility>

extern "C" {
#include <mpeg2dec/mpeg2.h>
}

CDVBVideoDecoderState::CDVBVideoDecoderState()
    : m_decoder(mpeg2_init())
{
}

CDVBVideoDecoderState::~CDVBVideoDecoderState()
{
    if (m_decoder)
        mpeg2_close(m_decoder);
}

void CDVBVideoDecoderState::TagNextPicture(int64_t pts)
{
    if (m_decoder)
        mpeg2_tag_picture(m_decoder, static_cast<uint32_t>(pts >> 1), 0);
}

void CDVBVideoDecoderState::Decode(unsigned char* data, size_t size, CDVBDisplay* display)
{
    if (!m_decoder)
        return;
    const mpeg2_info_t* info = mpeg2_info(m_decoder);
    mpeg2_buffer(m_decoder, data, data + size);
    for (;;) {
        const mpeg2_state_t state = mpeg2_parse(m_decoder);
        if (info->current_fbuf)
            NoteDecodedInto(info->current_fbuf->buf[0]);
        switch (state) {
        case STATE_BUFFER:
            return;
        case STATE_SEQUENCE:
            // A new sequence: the library's frame buffers are (re)made for it.
            m_decodedInto = {};
            [[fallthrough]];
        case STATE_SEQUENCE_MODIFIED:
            OnSequence(*info->sequence);
            break;
        case STATE_PICTURE:
            NotePicture(*info->current_picture);
            break;
        case STATE_SLICE:
        case STATE_END:
        case STATE_INVALID_END:
            DeliverFirstReferenceEarly(*info, display);
            if (info->display_fbuf && WasDecodedInto(info->display_fbuf->buf[0]))
                DeliverPicture(*info, display);
            // The end of a sequence: the deinterlacer gives up the picture it holds.
            if (state == STATE_END)
                m_handoff.Finish(display);
            break;
        default:
            break;
        }
    }
}

void CDVBVideoDecoderState::DropReferences()
{
    if (!m_decoder)
        return;
    mpeg2_reset(m_decoder, 1);
    m_handoff.Discard();
    m_decodedInto = {};
    m_referencesDecoded = 0;
    m_unreferenced = nullptr;
    m_shownEarly = nullptr;
    m_earlyDone = false;
}

void CDVBVideoDecoderState::OnSequence(const mpeg2_sequence_t& sequence)
{
    m_width = sequence.width;
    m_height = sequence.height;
    m_framePeriod = sequence.frame_period;
    // The display is given the whole coded picture, so its shape is that of
    // the coded size in the sequence's pixels.
    m_handoff.SetShape(
        uint64_t(sequence.width) * sequence.pixel_width, uint64_t(sequence.height) * sequence.pixel_height);
    // MPEG-2 video always has studio range levels.
    const bool described = sequence.flags & SEQ_FLAG_COLOUR_DESCRIPTION;
    m_handoff.SetColourSpace(DVBDeclaredColourSpace(described ? sequence.matrix_coefficients : -1, false,
        int(sequence.picture_width), int(sequence.picture_height)));
}

void CDVBVideoDecoderState::NoteDecodedInto(const unsigned char* luma)
{
    if (WasDecodedInto(luma))
        return;
    m_decodedInto[m_nextDecodedInto] = luma;
    m_nextDecodedInto = (m_nextDecodedInto + 1) % m_decodedInto.size();
}

bool CDVBVideoDecoderState::WasDecodedInto(const unsigned char* luma) const
{
    return luma && std::find(m_decodedInto.begin(), m_decodedInto.end(), luma) != m_decodedInto.end();
}

void CDVBVideoDecoderState::DeliverPicture(const mpeg2_info_t& info, CDVBDisplay* display)
{
    if (info.display_picture && (info.display_picture->flags & PIC_FLAG_TAGS))
        m_runningTime = static_cast<int64_t>(uint64_t(info.display_picture->tag) << 1);
    else
        m_runningTime += static_cast<int64_t>(m_framePeriod) / 300;
    if (!display || IsBeforeItsReferences(info))
        return;
    // The first picture due in display order after it is the one shown early.
    if (std::exchange(m_shownEarly, nullptr) == info.display_picture)
        return;
    Hand(display, *info.display_fbuf, info.display_picture);
}

void CDVBVideoDecoderState::DeliverFirstReferenceEarly(const mpeg2_info_t& info, CDVBDisplay* display)
{
    const mpeg2_picture_t* picture = info.current_picture;
    if (m_earlyDone || m_referencesDecoded != 1 || !display || !picture || !info.current_fbuf
        || (picture->flags & PIC_MASK_CODING_TYPE) != PIC_FLAG_CODING_TYPE_I || !(picture->flags & PIC_FLAG_TAGS)
        || !WasDecodedInto(info.current_fbuf->buf[0]))
        return;
    m_earlyDone = true;
    m_shownEarly = picture;
    m_runningTime = static_cast<int64_t>(uint64_t(picture->tag) << 1);
    Hand(display, *info.current_fbuf, picture);
}

void CDVBVideoDecoderState::Hand(CDVBDisplay* display, const mpeg2_fbuf_t& frame, const mpeg2_picture_t* picture)
{
    SDVBPicture shown;
    shown.width = static_cast<int>(m_width);
    shown.height = static_cast<int>(m_height);
    shown.Y = frame.buf[0];
    shown.U = frame.buf[1];
    shown.V = frame.buf[2];
    shown.time = m_runningTime;
    // A progressive sequence has every frame progressive; field pictures never are.
    shown.interlaced = picture && !(picture->flags & PIC_FLAG_PROGRESSIVE_FRAME);
    shown.topFieldFirst = !picture || (picture->flags & PIC_FLAG_TOP_FIELD_FIRST);
    m_handoff.Deliver(display, shown);
}

// A decoder that joins a stream (a new service, a file's first GOP) may start
// at an open GOP, whose first B-pictures lean on a picture it never had: they
// would show as garbage. B-pictures count only once two reference pictures
// have been decoded.
void CDVBVideoDecoderState::NotePicture(const mpeg2_picture_t& picture)
{
    const bool bidirectional = (picture.flags & PIC_MASK_CODING_TYPE) == PIC_FLAG_CODING_TYPE_B;
    if (!bidirectional && m_referencesDecoded < 2)
        m_referencesDecoded++;
    m_unreferenced = bidirectional && m_referencesDecoded < 2 ? &picture : nullptr;
}

bool CDVBVideoDecoderState::IsBeforeItsReferences(const mpeg2_info_t& info) const
{
    return info.display_picture != nullptr && info.display_picture == m_unreferenced;
}
