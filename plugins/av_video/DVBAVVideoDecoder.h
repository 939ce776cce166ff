#pragma once
// An H.264 or HEVC decoder on libavcodec for one video receiver. Its parser
// cuts the elementary stream into access units, each carrying the PTS of the
// PES it began in; the decoder gives every picture back in display order with
// the PTS of its own access unit. Pictures before the first key frame are
// never shown: they would lean on pictures the decoder never had. An end of
// sequence or of stream gives up every picture the decoder still holds.
#include "DVBFieldWeaver.h"
#include "DVBPictureConverter.h"
#include "DVBPictureDecoder.h"
#include "DVBPictureHandoff.h"

#include <cstddef>
#include <cstdint>
#include <optional>

struct AVCodecContext;
struct AVCodecParserContext;
struct AVFrame;
struct AVPacket;
struct AVRational;

enum class DVBVideoCodec { H264, HEVC };

class CDVBAVVideoDecoder : public CDVBPictureDecoder
{
public:
    // The largest picture accepted: UHD. A corrupt stream that announces a
    // larger one is refused before the decoder allocates for it.
    static constexpr int64_t kMaxPixels = 3840 * 2160;
    // 25 frames/s, for pictures without a time of their own in a stream that
    // gives no frame rate.
    static constexpr int64_t kDefaultFramePeriod = 3600;

    // threads: libavcodec's decoding threads; 0 means one per processor core.
    explicit CDVBAVVideoDecoder(DVBVideoCodec codec, int threads = 0);
    ~CDVBAVVideoDecoder() override;
    CDVBAVVideoDecoder(const CDVBAVVideoDecoder&) = delete;
    CDVBAVVideoDecoder& operator=(const CDVBAVVideoDecoder&) = delete;

    bool IsValid() const override;
    void TagNextPicture(int64_t pts) override { m_nextPts = pts; }
    void Decode(unsigned char* data, size_t size, CDVBDisplay* display) override;
    void DropReferences() override;

private:
    void Parse(const unsigned char* data, size_t size, CDVBDisplay* display);
    void SendAccessUnit(const unsigned char* data, int size, int64_t pts, CDVBDisplay* display);
    void ReceivePictures(CDVBDisplay* display);
    void Drain(CDVBDisplay* display);
    void Present(const AVFrame& frame, CDVBDisplay* display);
    void NoteShape(int width, int height, AVRational pixel);
    int64_t FramePeriod() const;

    DVBVideoCodec m_codec;
    AVCodecContext* m_context = nullptr;
    AVCodecParserContext* m_parser = nullptr;
    AVPacket* m_packet = nullptr;
    AVFrame* m_frame = nullptr;
    CDVBPictureConverter m_converter;
    CDVBFieldWeaver m_weaver;
    CDVBPictureHandoff m_handoff;
    std::optional<int64_t> m_nextPts;
    int64_t m_runningTime = 0;
    bool m_keyFrameSeen = false;
    // The picture shape last told to the handoff: width, height and pixel shape.
    int m_shape[4] {};
};
