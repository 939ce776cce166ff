#pragma once
// One libmpeg2 decoder and what it knows of the stream it decodes: the picture
// size and frame period of the last sequence header and the time given to the
// last delivered picture. Every video receiver has one of its own, so two
// receivers never interleave in one decoder and a new service never inherits
// the previous one's running time. Only the receiver's decode thread uses it.
#include "DVBPictureDecoder.h"
#include "DVBPictureHandoff.h"

#include <array>
#include <cstddef>
#include <cstdint>

struct mpeg2dec_s;
struct mpeg2_info_s;
struct mpeg2_sequence_s;
struct mpeg2_picture_s;
struct mpeg2_fbuf_s;
class CDVBVideoDecoderState : public CDVBPictureDecoder
{
public:
    // A decoder that the library cannot create (no memory) leaves IsValid false.
    CDVBVideoDecoderState();
    ~CDVBVideoDecoderState() override;
    CDVBVideoDecoderState(const CDVBVideoDecoderState&) = delete;
    CDVBVideoDecoderState& operator=(const CDVBVideoDecoderState&) = delete;

    bool IsValid() const override { return m_decoder != nullptr; }
    // The library carries 32 bits, so the PTS travels at 45 kHz and an odd one
    // comes out one lower.
    void TagNextPicture(int64_t pts) override;
    void Decode(unsigned char* data, size_t size, CDVBDisplay* display) override;
    // The library starts again from the next sequence header.
    void DropReferences() override;

    uint32_t GetWidth() const { return m_width; }
    uint32_t GetHeight() const { return m_height; }
    int64_t GetRunningTime() const { return m_runningTime; }
    // 27 MHz ticks per frame.
    uint32_t GetFramePeriod() const { return m_framePeriod; }

private:
    void OnSequence(const mpeg2_sequence_s& sequence);
    void NotePicture(const mpeg2_picture_s& picture);
    bool IsBeforeItsReferences(const mpeg2_info_s& info) const;
    void NoteDecodedInto(const unsigned char* luma);
    bool WasDecodedInto(const unsigned char* luma) const;
    void DeliverPicture(const mpeg2_info_s& info, CDVBDisplay* display);
    // The first reference picture is shown as soon as it is whole rather than
    // when the next one makes it due in display order: a zap shows it three
    // pictures sooner. It is then not shown again.
    void DeliverFirstReferenceEarly(const mpeg2_info_s& info, CDVBDisplay* display);
    // The picture's record tells how it was scanned.
    void Hand(CDVBDisplay* display, const mpeg2_fbuf_s& frame, const mpeg2_picture_s* picture);

    mpeg2dec_s* m_decoder;
    uint32_t m_width = 0;
    uint32_t m_height = 0;
    int64_t m_runningTime = 0;
    uint32_t m_framePeriod = 0;
    // Tells the display the coded picture's shape, again at every sequence.
    CDVBPictureHandoff m_handoff;
    // The luma planes of the library's (three) frame buffers that pictures of
    // this sequence were decoded into. Only those are shown: a sequence that
    // ends before its first picture makes the library name a frame buffer
    // whose planes are unset, or freed at a size change.
    std::array<const unsigned char*, 3> m_decodedInto {};
    // Reference pictures decoded so far (two are enough), and the B-picture
    // just decoded before there were two, which is not shown.
    int m_referencesDecoded = 0;
    const mpeg2_picture_s* m_unreferenced = nullptr;
    size_t m_nextDecodedInto = 0;
    // The first reference picture, shown early and not yet come round in
    // display order (the library reuses its picture records, so only until then).
    const mpeg2_picture_s* m_shownEarly = nullptr;
    bool m_earlyDone = false;
};
