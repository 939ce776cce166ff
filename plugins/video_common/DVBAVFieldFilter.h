#pragma once
// The field filter on libavfilter: a buffer source, bwdif or yadif sending
// one picture per field, and a buffer sink.
#include "DVBFieldFilter.h"

#include <vector>

struct AVFilterContext;
struct AVFilterGraph;
struct AVFrame;

class CDVBAVFieldFilter : public CDVBFieldFilter
{
public:
    CDVBAVFieldFilter();
    ~CDVBAVFieldFilter() override;
    CDVBAVFieldFilter(const CDVBAVFieldFilter&) = delete;
    CDVBAVFieldFilter& operator=(const CDVBAVFieldFilter&) = delete;

    bool Open(int width, int height, CKRXDeinterlace::Mode method) override;
    bool Push(const SDVBPicture& picture) override;
    void PushEnd() override;
    bool Pull(SDVBPicture& picture) override;
    void Close() override;

private:
    bool Build(int width, int height, CKRXDeinterlace::Mode method);
    // Points the picture at the output's planes, packing them when padded.
    void Unpad(SDVBPicture& picture);

    AVFilterGraph* m_graph = nullptr;
    AVFilterContext* m_source = nullptr;
    AVFilterContext* m_sink = nullptr;
    AVFrame* m_output = nullptr;
    std::vector<unsigned char> m_packed;
    int m_width = 0;
    int m_height = 0;
};
