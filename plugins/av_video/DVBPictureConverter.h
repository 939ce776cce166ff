#pragma once
// Brings a decoded picture of any depth and chroma layout into the display's
// form: 8-bit 4:2:0 planes packed without padding, even width and height (an
// odd last column or row is left out, as the chroma planes cannot halve it).
// A picture already in that form is passed on as it is, without a copy.
#include <cstdint>
#include <vector>

struct AVFrame;
struct SwsContext;

class CDVBPictureConverter
{
public:
    CDVBPictureConverter() = default;
    ~CDVBPictureConverter();
    CDVBPictureConverter(const CDVBPictureConverter&) = delete;
    CDVBPictureConverter& operator=(const CDVBPictureConverter&) = delete;

    // False when the picture is too small or in a form that cannot be
    // converted; the planes are then unset. They stay valid until the next
    // call or until the frame is released.
    bool Convert(const AVFrame& frame);

    int GetWidth() const { return m_width; }
    int GetHeight() const { return m_height; }
    const unsigned char* GetPlane(int index) const { return m_planes[index]; }

private:
    bool IsDisplayForm(const AVFrame& frame) const;
    bool Scale(const AVFrame& frame);

    SwsContext* m_scaler = nullptr;
    std::vector<unsigned char> m_picture;
    int m_width = 0;
    int m_height = 0;
    const unsigned char* m_planes[3] {};
};
