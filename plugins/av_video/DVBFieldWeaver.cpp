#include "DVBFieldWeaver.h"

#include <cstring>

namespace {
// The field's rows of one plane, every other row of the frame's.
void WeavePlane(const unsigned char* field, int width, int rows, bool top, unsigned char* frame)
{
    frame += top ? 0 : width;
    for (int row = 0; row < rows; ++row)
        std::memcpy(frame + size_t(2 * row) * width, field + size_t(row) * width, size_t(width));
}
} // namespace

bool CDVBFieldWeaver::Add(const SDVBPicture& field, bool top, SDVBPicture& frame)
{
    const bool partner
        = m_waiting && top != m_firstTop && field.width == m_first.width && field.height == m_first.height;
    if (!partner) {
        m_first = field;
        m_firstTop = top;
        m_frame.resize(size_t(field.width) * field.height * 3);
        Copy(field, top);
        m_waiting = true;
        return false;
    }
    Copy(field, top);
    m_waiting = false;
    const size_t luma = size_t(m_first.width) * m_first.height * 2;
    frame = m_first;
    frame.height = m_first.height * 2;
    frame.Y = m_frame.data();
    frame.U = frame.Y + luma;
    frame.V = frame.U + luma / 4;
    frame.interlaced = true;
    frame.topFieldFirst = m_firstTop;
    return true;
}

void CDVBFieldWeaver::Copy(const SDVBPicture& field, bool top)
{
    const size_t luma = size_t(field.width) * field.height * 2;
    unsigned char* Y = m_frame.data();
    WeavePlane(field.Y, field.width, field.height, top, Y);
    WeavePlane(field.U, field.width / 2, field.height / 2, top, Y + luma);
    WeavePlane(field.V, field.width / 2, field.height / 2, top, Y + luma + luma / 4);
}
