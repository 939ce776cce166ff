// Parses arbitrary bytes as a subtitle display set from a buffer of exactly
// their size, merges what parsed into a page model twice (as a new page and
// as an update of itself), draws it and sweeps it.
#include "DVBDefaultColourTable.h"
#include "DVBSubtitleDisplaySet.h"
#include "DVBSubtitleFrameTarget.h"

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size)
{
    static const bool initialised = [] {
        AddDefaultColourTable(BuildDefaultColourTable());
        return true;
    }();
    (void)initialised;

    CDVBSubtitleDisplaySet pageModel;
    for (int pass = 0; pass < 2; ++pass) {
        CDVBSubtitleDisplaySet set;
        if (!ParseInto(set, input, size))
            return 0;
        if (!pageModel.Merge(set))
            return 0;
        pageModel.ClearUsedMarks();
        // A frame smaller than the subtitle plane, so cutting at its edge is exercised.
        static std::vector<unsigned char> y(352 * 288), u(176 * 144), v(176 * 144);
        CDVBSubtitleFrameTarget frame;
        frame.SetFrame(352, 288, 352, y.data(), u.data(), v.data());
        frame.DrawPageModel(pageModel);
        pageModel.Sweep();
    }
    return 0;
}
