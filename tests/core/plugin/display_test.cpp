#include "plugin/DVBComponentDefinitionList.h"
#include "plugin/DVBDisplay.h"
#include "plugin/DVBDisplayLayer.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

CDVBComponentDefinition MakeDefinition(
    unsigned short pid, unsigned short programNumber, const CString& description, int index)
{
    CDVBComponentDefinition definition;
    definition.SetPID(pid);
    definition.SetProgramNumber(programNumber);
    definition.SetDescription(description);
    definition.SetIndex(index);
    return definition;
}

void ExpectSame(const CDVBComponentDefinition& actual, const CDVBComponentDefinition& expected)
{
    EXPECT_EQ(actual.GetPID(), expected.GetPID());
    EXPECT_EQ(actual.GetProgramNumber(), expected.GetProgramNumber());
    EXPECT_EQ(actual.GetDescription(), expected.GetDescription());
    EXPECT_EQ(actual.GetIndex(), expected.GetIndex());
}

// Stands for a concrete display, which reads the clock the base stored.
class CClockedDisplay : public CDVBDisplay
{
public:
    CDVBProgramClock* GetClock() const { return m_programClock; }
};

class CRecordingLayer : public CDVBDisplayLayer
{
public:
    void DrawIntoFrame(int, int, int, unsigned char*, unsigned char*, unsigned char*, int64_t time) override
    {
        m_time = time;
    }
    int64_t m_time = -1;
};

} // namespace

TEST(Display, TheBaseKeepsTheClockShowsNothingAndAcceptsNoLayers)
{
    CClockedDisplay concrete;
    CDVBDisplay* display = &concrete;
    EXPECT_EQ(concrete.GetClock(), nullptr);
    auto* clock = reinterpret_cast<CDVBProgramClock*>(&concrete); // only stored, never used
    display->SetProgramClock(clock);
    EXPECT_EQ(concrete.GetClock(), clock);

    CRecordingLayer layer;
    EXPECT_FALSE(display->AddDisplayLayer(&layer));
    EXPECT_FALSE(display->RemoveDisplayLayer(&layer));
    const unsigned char plane[4] = {};
    display->OnFrame(2, 2, plane, plane, plane, 0);
    EXPECT_EQ(layer.m_time, -1) << "the base draws no layers";
}

TEST(ComponentDefinition, StartsUnassigned)
{
    CDVBComponentDefinition definition;
    EXPECT_EQ(definition.GetPID(), 0xFFFF);
    EXPECT_EQ(definition.GetProgramNumber(), 0xFFFF);
    EXPECT_EQ(definition.GetDescription(), "");
    EXPECT_EQ(definition.GetIndex(), 0);
}

TEST(ComponentDefinition, EveryWayOfCopyingKeepsAllFourFieldsApart)
{
    CDVBComponentDefinition original = MakeDefinition(0x0101, 0x2A, "audio description", 3);

    CDVBComponentDefinition copied(original);
    ExpectSame(copied, original);

    CDVBComponentDefinition assigned;
    assigned = original;
    ExpectSame(assigned, original);

    CDVBComponentDefinition fromPointer(&original);
    ExpectSame(fromPointer, original);

    CDVBComponentDefinition copiedFrom = MakeDefinition(1, 2, "video", 9);
    copiedFrom.CopyFrom(&original);
    ExpectSame(copiedFrom, original);
    EXPECT_NE(copiedFrom.GetProgramNumber(), copiedFrom.GetPID());
}

TEST(ComponentDefinition, NullSourcesChangeNothing)
{
    CDVBComponentDefinition definition = MakeDefinition(5, 6, "video", 1);
    definition.CopyFrom(nullptr);
    ExpectSame(definition, MakeDefinition(5, 6, "video", 1));
    CDVBComponentDefinition fromNull(static_cast<CDVBComponentDefinition*>(nullptr));
    ExpectSame(fromNull, CDVBComponentDefinition());
}

TEST(ComponentDefinitionList, AddCopyKeepsAnIndependentCopyInInsertionOrder)
{
    CDVBComponentDefinitionList list;
    CDVBComponentDefinition video = MakeDefinition(0x100, 7, "video", 0);
    CDVBComponentDefinition audio = MakeDefinition(0x101, 7, "audio", 1);
    list.AddCopy(&video);
    list.AddCopy(&audio);
    list.AddCopy(nullptr);
    video.SetDescription("changed afterwards");

    ASSERT_EQ(list.GetCount(), 2);
    auto it = list.begin();
    ExpectSame(**it, MakeDefinition(0x100, 7, "video", 0));
    EXPECT_NE(*it, &video);
    ExpectSame(**++it, audio);
}

TEST(ComponentDefinitionList, DescriptionsMatchExactlyAndCaseSensitively)
{
    CDVBComponentDefinitionList list;
    EXPECT_FALSE(list.ContainsComponentWithDescription(""));
    CDVBComponentDefinition audio = MakeDefinition(0x101, 7, "audio", 1);
    list.AddCopy(&audio);
    EXPECT_TRUE(list.ContainsComponentWithDescription("audio"));
    EXPECT_FALSE(list.ContainsComponentWithDescription("Audio"));
    EXPECT_FALSE(list.ContainsComponentWithDescription("audio description"));
    EXPECT_FALSE(list.ContainsComponentWithDescription("audi"));
}

TEST(ComponentDefinitionList, DeleteAllEmptiesTheList)
{
    CDVBComponentDefinitionList list;
    CDVBComponentDefinition video = MakeDefinition(0x100, 7, "video", 0);
    list.AddCopy(&video);
    list.DeleteAll();
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_FALSE(list.ContainsComponentWithDescription("video"));
    list.AddCopy(&video);
    EXPECT_EQ(list.GetCount(), 1);
}

TEST(ComponentDefinitionList, CopiesOwnTheirOwnDefinitions)
{
    // A list that shared its definitions with its copy would free them twice;
    // the sanitizer build reports that.
    auto original = std::make_unique<CDVBComponentDefinitionList>();
    CDVBComponentDefinition subtitles = MakeDefinition(0x102, 7, "subtitles", 2);
    original->AddCopy(&subtitles);

    CDVBComponentDefinitionList copy(*original);
    CDVBComponentDefinitionList assigned;
    assigned.AddCopy(&subtitles);
    assigned = *original;
    EXPECT_NE(*copy.begin(), *original->begin());
    original.reset();

    ASSERT_EQ(copy.GetCount(), 1);
    ExpectSame(**copy.begin(), subtitles);
    ASSERT_EQ(assigned.GetCount(), 1);
    ExpectSame(**assigned.begin(), subtitles);
    const CDVBComponentDefinitionList& same = assigned;
    assigned = same;
    EXPECT_EQ(assigned.GetCount(), 1);
}
