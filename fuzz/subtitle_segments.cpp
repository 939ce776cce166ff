// Parses arbitrary bytes as a subtitle display set from a buffer of exactly
// their size, merges what parsed into a page model twice (as a new page and
// as an update of itself), draws it and sweeps it. Then again with a display
// definition made from the bytes in front, drawn into an HD frame.
#include "DVBDefaultColourTable.h"
#include "DVBSubtitleDisplaySet.h"
#include "DVBSubtitleFrameTarget.h"
#include "SubtitleFuzzInput.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

bool ParseInto(CDVBSubtitleDisplaySet& set, const uint8_t* input, size_t size)
{
    std::unique_ptr<unsigned char[]> copy(new unsigned char[size ? size : 1]);
    std::memcpy(copy.get(), input, size);
    CDVBMemoryReader reader(copy.get(), size);
    return set.Parse(reader);
}

// A frame of the given size, kept between runs.
struct FuzzFrame {
    FuzzFrame(int frameWidth, int frameHeight)
        : width(frameWidth)
        , height(frameHeight)
        , y(size_t(width) * height)
        , u(size_t(width / 2) * (height / 2))
        , v(u.size())
    {
    }
    int width, height;
    std::vector<unsigned char> y, u, v;
};

void ParseMergeAndDraw(const uint8_t* input, size_t size, FuzzFrame& frame)
{
    CDVBSubtitleDisplaySet pageModel;
    for (int pass = 0; pass < 2; ++pass) {
        CDVBSubtitleDisplaySet set;
        if (!ParseInto(set, input, size))
            return;
        if (!pageModel.Merge(set))
            return;
        pageModel.ClearUsedMarks();
        CDVBSubtitleFrameTarget target;
        target.SetFrame(frame.width, frame.height, frame.width, frame.y.data(), frame.u.data(), frame.v.data());
        target.DrawPageModel(pageModel);
        pageModel.Sweep();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size)
{
    static const bool initialised = [] {
        AddDefaultColourTable(BuildDefaultColourTable());
        return true;
    }();
    (void)initialised;

    // A frame smaller than the standard display, so cutting at its edge and
    // shrinking are exercised; and an HD one.
    static FuzzFrame small(352, 288), hd(1920, 1080);
    ParseMergeAndDraw(input, size, small);
    const std::vector<unsigned char> defined = PayloadWithDisplayDefinition(input, size);
    ParseMergeAndDraw(defined.data(), defined.size(), hd);
    return 0;
}
