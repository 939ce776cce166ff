#include "plugin/DVBTeletextPages.h"
#include "viewing/KRXTeletextViewer.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// Pages by number and subpage; the latest is the last one put.
class FakePages : public CDVBTeletextPages
{
public:
    void Put(int number, int subpage, const CString& text, std::array<int, 4> links = {})
    {
        CDVBTeletextPage page;
        page.m_number = number;
        page.m_subpage = subpage;
        page.m_links = links;
        for (size_t column = 0; column < text.size(); ++column)
            page.Cell(1, int(column)).character = char32_t(text[column]);
        m_pages[{ number, subpage }] = page;
        m_latest[number] = subpage;
    }
    bool GetPage(int number, int subpage, CDVBTeletextPage& page) override
    {
        const auto latest = m_latest.find(number);
        if (latest == m_latest.end())
            return false;
        const auto found = m_pages.find({ number, subpage < 0 ? latest->second : subpage });
        if (found == m_pages.end())
            return false;
        page = found->second;
        return true;
    }
    std::vector<int> GetSubpages(int number) override
    {
        std::vector<int> subpages;
        for (const auto& [key, page] : m_pages)
            if (key.first == number)
                subpages.push_back(key.second);
        return subpages;
    }
    void SetPageListener(std::function<void(int, int)>) override { }

private:
    std::map<std::pair<int, int>, CDVBTeletextPage> m_pages;
    std::map<int, int> m_latest;
};

} // namespace

TEST(TeletextViewer, WaitsForThePageThenShowsItsChanges)
{
    CKRXTeletextViewer viewer;
    EXPECT_FALSE(viewer.Refresh()) << "no teletext playing";
    EXPECT_EQ(viewer.GetStatus(), "waiting for page 100");
    FakePages pages;
    viewer.SetPages(&pages);
    EXPECT_FALSE(viewer.Refresh());
    pages.Put(0x100, 0, "Index");
    EXPECT_TRUE(viewer.Refresh());
    EXPECT_EQ(viewer.GetPage().GetText(), "Index\n");
    EXPECT_EQ(viewer.GetStatus(), "page 100");
    EXPECT_FALSE(viewer.Refresh()) << "the same copy again changes nothing";
    pages.Put(0x100, 0, "Index 2");
    EXPECT_TRUE(viewer.Refresh());

    EXPECT_FALSE(viewer.EnterPage("900"));
    EXPECT_FALSE(viewer.EnterPage("1a0"));
    EXPECT_EQ(viewer.GetPageNumber(), 0x100);
    EXPECT_TRUE(viewer.EnterPage("305"));
    EXPECT_FALSE(viewer.HasPage());
    EXPECT_EQ(viewer.GetStatus(), "waiting for page 305");
}

TEST(TeletextViewer, StepsThroughSubpagesAndFollowsColourLinks)
{
    FakePages pages;
    CKRXTeletextViewer viewer;
    viewer.SetPages(&pages);
    pages.Put(0x100, 0, "Index", { 0x200, 0x300, 0, 0x150 });
    pages.Put(0x200, 1, "News 1");
    pages.Put(0x200, 2, "News 2");
    pages.Put(0x200, 3, "News 3");
    ASSERT_TRUE(viewer.Refresh());
    EXPECT_FALSE(viewer.FollowLink(2)) << "no yellow link";
    ASSERT_TRUE(viewer.FollowLink(0));
    ASSERT_TRUE(viewer.Refresh());
    EXPECT_EQ(viewer.GetPage().GetText(), "News 3\n") << "the latest first";
    EXPECT_EQ(viewer.GetStatus(), "page 200, subpage 3 of 3");
    viewer.StepSubpage(1);
    ASSERT_TRUE(viewer.Refresh());
    EXPECT_EQ(viewer.GetPage().GetText(), "News 1\n") << "round the end";
    viewer.StepSubpage(-1);
    viewer.Refresh();
    viewer.StepSubpage(-1);
    ASSERT_TRUE(viewer.Refresh());
    EXPECT_EQ(viewer.GetStatus(), "page 200, subpage 2 of 3");
}
