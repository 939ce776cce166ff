// The deinterlacer's decisions with a fake field filter that records what it
// is asked, and the libavfilter field filter itself on pictures whose fields
// differ.
#include "DVBAVFieldFilter.h"
#include "DVBDeinterlacer.h"

#include "stream/DVBTiming.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <optional>
#include <string>
#include <vector>

using testing::ElementsAre;

namespace {

// Holds one picture back as the real filter does, then gives two fields of
// it: at its time and half way to the next one's (a frame period past the
// last one at the end).
class CFakeFieldFilter : public CDVBFieldFilter
{
public:
    explicit CFakeFieldFilter(std::vector<std::string>& calls)
        : m_calls(calls)
    {
    }

    bool Open(int width, int height, CKRXDeinterlace::Mode method) override
    {
        m_calls.push_back(
            "open " + std::to_string(width) + "x" + std::to_string(height) + " " + CKRXDeinterlace::GetName(method));
        m_held.reset();
        return opens;
    }
    bool Push(const SDVBPicture& picture) override
    {
        m_calls.push_back("push " + std::to_string(picture.time) + (picture.topFieldFirst ? " top" : " bottom"));
        if (m_held)
            Release(picture.time);
        m_held = picture.time;
        return true;
    }
    void PushEnd() override
    {
        m_calls.push_back("end");
        if (m_held)
            Release(*m_held + 3600);
        m_held.reset();
    }
    bool Pull(SDVBPicture& picture) override
    {
        if (m_ready.empty())
            return false;
        picture = SDVBPicture();
        picture.width = 16;
        picture.height = 16;
        picture.time = m_ready.front();
        m_ready.pop_front();
        return true;
    }
    void Close() override
    {
        m_calls.push_back("close");
        m_ready.clear();
    }

    bool opens = true;

private:
    void Release(int64_t next)
    {
        m_ready.push_back(*m_held);
        m_ready.push_back((*m_held + next) / 2);
    }

    std::vector<std::string>& m_calls;
    std::optional<int64_t> m_held;
    std::deque<int64_t> m_ready;
};

class Deinterlacer : public testing::Test
{
protected:
    Deinterlacer()
    {
        auto filter = std::make_unique<CFakeFieldFilter>(calls);
        fake = filter.get();
        deinterlacer = std::make_unique<CDVBDeinterlacer>(std::move(filter));
    }

    void Process(int64_t time, bool interlaced, CKRXDeinterlace::Mode mode = CKRXDeinterlace::Auto, int width = 16,
        bool topFieldFirst = true)
    {
        SDVBPicture picture;
        picture.width = width;
        picture.height = 16;
        picture.Y = plane;
        picture.time = time;
        picture.interlaced = interlaced;
        picture.topFieldFirst = topFieldFirst;
        deinterlacer->Process(picture, mode, sink);
    }

    std::vector<std::string> calls;
    CFakeFieldFilter* fake = nullptr;
    std::unique_ptr<CDVBDeinterlacer> deinterlacer;
    unsigned char plane[1] {};
    // The times shown, marked "=" when the picture was passed on untouched.
    std::vector<std::string> shown;
    CDVBDeinterlacer::Sink sink = [this](const SDVBPicture& picture) {
        shown.push_back((picture.Y == plane ? "=" : "") + std::to_string(picture.time));
    };
};

} // namespace

TEST_F(Deinterlacer, FollowsTheStreamsScanAtTheFirstPictureOfTheOtherKind)
{
    // A progressive stream never reaches the filter.
    Process(0, false);
    Process(3600, false);
    EXPECT_TRUE(calls.empty());
    // Interlaced: each picture's fields come once the next one is in; the
    // first progressive picture empties the filter and comes right after.
    Process(7200, true);
    Process(10800, true, CKRXDeinterlace::Auto, 16, false);
    Process(14400, false);
    Process(18000, true);
    deinterlacer->Finish(sink);
    EXPECT_THAT(shown, ElementsAre("=0", "=3600", "7200", "9000", "10800", "12600", "=14400", "18000", "19800"));
    EXPECT_THAT(calls,
        ElementsAre("open 16x16 bwdif", "push 0 top", "push 3600 bottom", "end", "close", "open 16x16 bwdif",
            "push 0 top", "end", "close"));
}

TEST_F(Deinterlacer, RebuildsTheFilterForANewSizeMethodOrTimelineAndDropsWhatItHoldsAtABreak)
{
    Process(0, true);
    Process(3600, true, CKRXDeinterlace::Auto, 32);
    // Forced filtering takes progressive pictures too.
    Process(7200, false, CKRXDeinterlace::Yadif, 32);
    Process(10800, false, CKRXDeinterlace::Yadif, 32);
    // Time going back starts the filter afresh.
    Process(3600, true, CKRXDeinterlace::Yadif, 32);
    deinterlacer->Discard();
    Process(0, true, CKRXDeinterlace::Off);
    EXPECT_THAT(calls,
        ElementsAre("open 16x16 bwdif", "push 0 top", "end", "close", "open 32x16 bwdif", "push 0 top", "end", "close",
            "open 32x16 yadif", "push 0 top", "push 3600 top", "end", "close", "open 32x16 yadif", "push 0 top",
            "close"));
    EXPECT_THAT(shown, ElementsAre("0", "1800", "3600", "5400", "7200", "9000", "10800", "12600", "=0"));
}

TEST_F(Deinterlacer, CountsTimesAcrossTheClocksWrapAndPassesPicturesTheFilterRefuses)
{
    Process(DVB_CLOCK_WRAP - 3600, true);
    Process(0, true);
    deinterlacer->Finish(sink);
    EXPECT_THAT(calls, ElementsAre("open 16x16 bwdif", "push 0 top", "push 3600 top", "end", "close"));
    EXPECT_THAT(
        shown, ElementsAre(std::to_string(DVB_CLOCK_WRAP - 3600), std::to_string(DVB_CLOCK_WRAP - 1800), "0", "1800"));

    shown.clear();
    fake->opens = false;
    Process(3600, true);
    EXPECT_THAT(shown, ElementsAre("=3600"));
}

namespace {
// A 64 x 64 picture of noise, different for each seed, so that a row the
// filter interpolates never equals the one it replaces.
struct SNoisePicture {
    std::vector<unsigned char> Y = std::vector<unsigned char>(64 * 64);
    std::vector<unsigned char> chroma = std::vector<unsigned char>(32 * 32, 128);

    explicit SNoisePicture(unsigned seed)
    {
        for (unsigned char& luma : Y) {
            seed = seed * 1103515245 + 12345;
            luma = static_cast<unsigned char>(seed >> 16);
        }
    }
    SDVBPicture At(int64_t time, bool topFieldFirst) const
    {
        return SDVBPicture { 64, 64, Y.data(), chroma.data(), chroma.data(), time, true, topFieldFirst };
    }
    // Whether the picture's rows of one field are these rows, unchanged.
    bool HasField(const SDVBPicture& picture, bool top) const
    {
        for (int row = top ? 0 : 1; row < 64; row += 2) {
            if (!std::equal(Y.begin() + row * 64, Y.begin() + row * 64 + 64, picture.Y + row * 64))
                return false;
        }
        return true;
    }
};
} // namespace

TEST(AVFieldFilter, ShowsEachFieldInTheOrderThePictureGivesAtHalfFrameSteps)
{
    const SNoisePicture first(1), second(2);
    CDVBAVFieldFilter filter;
    for (const CKRXDeinterlace::Mode method : { CKRXDeinterlace::Bwdif, CKRXDeinterlace::Yadif }) {
        for (const bool topFirst : { true, false }) {
            SCOPED_TRACE(std::string(CKRXDeinterlace::GetName(method)) + (topFirst ? " top" : " bottom"));
            ASSERT_TRUE(filter.Open(64, 64, method));
            ASSERT_TRUE(filter.Push(first.At(0, topFirst)));
            ASSERT_TRUE(filter.Push(second.At(3600, topFirst)));
            filter.PushEnd();
            std::vector<int64_t> times;
            // Each field is kept as it came and the other one made up.
            std::vector<std::string> fields;
            SDVBPicture field;
            for (const SNoisePicture* source : { &first, &first, &second, &second }) {
                ASSERT_TRUE(filter.Pull(field));
                ASSERT_EQ(field.width, 64);
                times.push_back(field.time);
                const bool top = source->HasField(field, true), bottom = source->HasField(field, false);
                fields.push_back(top == bottom ? "?" : top ? "top" : "bottom");
            }
            EXPECT_FALSE(filter.Pull(field));
            EXPECT_THAT(times, ElementsAre(0, 1800, 3600, 5400));
            const char* firstField = topFirst ? "top" : "bottom";
            const char* secondField = topFirst ? "bottom" : "top";
            EXPECT_THAT(fields, ElementsAre(firstField, secondField, firstField, secondField));
        }
    }
    // Another size needs opening again.
    const SDVBPicture small { 32, 32, first.Y.data(), first.chroma.data(), first.chroma.data() };
    EXPECT_FALSE(filter.Push(small));
    ASSERT_TRUE(filter.Open(32, 32, CKRXDeinterlace::Bwdif));
    EXPECT_TRUE(filter.Push(small));
}
