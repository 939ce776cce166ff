// The YUV4MPEG2 output: the frames as drawn, at the stream's rate, a new file
// for each new picture size.
#include "DVBY4MSurface.h"
#include "DisplayTestSupport.h"

#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

namespace {
struct SY4MFile {
    CString header;
    std::vector<CString> frames; // each frame's planes, without its FRAME line
};

SY4MFile ReadY4M(const CString& content, int width, int height)
{
    SY4MFile file;
    size_t at = content.find('\n');
    file.header = content.substr(0, at);
    ++at;
    const size_t frameSize = size_t(width) * height + 2 * size_t((width + 1) / 2) * ((height + 1) / 2);
    while (at < content.size()) {
        EXPECT_EQ(content.substr(at, 6), "FRAME\n");
        file.frames.push_back(content.substr(at + 6, frameSize));
        at += 6 + frameSize;
    }
    EXPECT_EQ(at, content.size()) << "no partial frame";
    return file;
}

CString Planes(const STestPicture& picture)
{
    CString planes(picture.Y.begin(), picture.Y.end());
    planes.append(picture.U.begin(), picture.U.end());
    planes.append(picture.V.begin(), picture.V.end());
    return planes;
}
} // namespace

TEST(Y4MOutput, WritesTheDrawnFramesAtTheStreamRateAndStartsAFileForEachNewSize)
{
    TemporaryFolder folder;
    const CString path = folder.File("out.y4m");
    {
        CDVBDisplayDX display(std::make_unique<CDVBY4MSurface>(path), DVB_DEFAULT_OVERLAY_COLOUR);
        CString error;
        ASSERT_TRUE(display.OpenSurface(error, 0));
        CRecordingLayer subtitles(0xEB);
        display.AddDisplayLayer(&subtitles);
        display.SetDisplayAspectRatio(4, 3);

        const STestPicture sd(720, 576, 1), narrow(544, 576, 2), hd(1920, 1080, 3);
        for (int i = 0; i < 3; ++i)
            sd.SendTo(display, 90000 + i * 3600);
        display.ShowDueFrames(1);
        display.ShowDueFrames(600); // a blank frame: not a stream frame, not written
        narrow.SendTo(display, 200000);
        narrow.SendTo(display, 203003);
        display.ShowDueFrames(700);
        hd.SendTo(display, 300000);
        display.ShowDueFrames(800);
        display.RemoveDisplayLayer(&subtitles);
    }

    CString expectedSD = Planes(STestPicture(720, 576, 1));
    expectedSD[0] = char(0xEB); // what the layer drew is in the file
    const SY4MFile first = ReadY4M(folder.Read("out.y4m"), 720, 576);
    EXPECT_EQ(first.header, "YUV4MPEG2 W720 H576 F25:1 A16:15 C420mpeg2");
    ASSERT_EQ(first.frames.size(), 3u);
    EXPECT_EQ(first.frames[0], expectedSD);
    EXPECT_EQ(first.frames[2], expectedSD);

    const SY4MFile second = ReadY4M(folder.Read("out.y4m.1"), 544, 576);
    EXPECT_EQ(second.header, "YUV4MPEG2 W544 H576 F30000:1001 A24:17 C420mpeg2");
    EXPECT_EQ(second.frames.size(), 2u);

    const SY4MFile third = ReadY4M(folder.Read("out.y4m.2"), 1920, 1080);
    EXPECT_EQ(third.header, "YUV4MPEG2 W1920 H1080 F25:1 A3:4 C420mpeg2") << "one picture: the rate is assumed";
    EXPECT_EQ(third.frames.size(), 1u);
}

TEST(Y4MOutput, AFileThatCannotBeCreatedIsASetUpFailure)
{
    TemporaryFolder folder;
    CDVBY4MSurface surface(folder.File("missing/out.y4m"));
    CString error;
    EXPECT_FALSE(surface.Open(error));
    EXPECT_NE(error.find("missing/out.y4m"), CString::npos) << error;
}
