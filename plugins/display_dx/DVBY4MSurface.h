#pragma once
// Writes every picture presented, after the layers drew into it, to a
// YUV4MPEG2 file: exactly the frames a viewer would have seen. A picture of
// another size starts a new file (PATH.1, PATH.2 ...). The frame rate comes
// from the spacing of the first two pictures' times, so the first picture of
// each file is held until the second arrives. Blank frames are not written:
// they stand for missing pictures, not for stream frames. Each frame goes
// out whole or not at all; the first lost is reported as an output fault and
// nothing more goes into that file.
#include "DVBPlaneBuffer.h"

#include "platform/OutputFile.h"

#include <vector>

class CDVBY4MSurface : public CDVBDisplaySurface
{
public:
    explicit CDVBY4MSurface(CString path);
    ~CDVBY4MSurface() override;

    bool Open(CString& error) override;
    bool Create(int width, int height, CString& error) override;
    bool Lock(SDVBSurfacePlanes& planes) override;
    void Unlock() override { }
    void Present(int64_t time, bool blank) override;
    void SetAspectRatio(int numerator, int denominator) override;
    void Close() override;

private:
    bool OpenFile(const CString& path);
    bool StartNextFile();
    void FinishFile();
    void WriteHeader(int64_t spacing);
    void WriteFrame(const CDVBPlaneBuffer& frame);
    void Write(const CString& text);
    // Sends out what Write gathered, as one write.
    void Flush();

    CString m_path;
    CString m_filePath; // the file now written: m_path or one of its successors
    COutputFile m_file;
    std::vector<unsigned char> m_pending;
    int m_fileIndex = 0;
    bool m_fileUsed = false; // a picture went (or waits to go) into the file
    bool m_holding = false;
    int64_t m_heldTime = 0;
    CDVBPlaneBuffer m_drawing;
    CDVBPlaneBuffer m_held;
    int m_aspect[2] = { 0, 0 };
};
