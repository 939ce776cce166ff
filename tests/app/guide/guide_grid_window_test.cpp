#include "KRXGuideGridWindow.h"
#include "support/GuideWeek.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <ctime>
#include <optional>

namespace {
class GuideGridWindow : public ::testing::Test
{
protected:
    GuideGridWindow()
    {
        m_window.Load(MakeGuideWeek(12, m_now), { { 1, { "File", "Korrix Demo" } } }, m_now);
        m_window.SetCurrentService(2, 111);
        m_window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&m_window));
    }

    // Clicks the programme where the user sees it.
    void Click(const CKRXGuideGrid::Cell& cell)
    {
        m_window.GetView()->ScrollTo(cell);
        const QRect rect = m_window.GetView()->GetCellRect(cell);
        ASSERT_TRUE(m_window.GetView()->viewport()->rect().contains(rect.center()));
        QTest::mouseClick(m_window.GetView()->viewport(), Qt::LeftButton, {}, rect.center());
    }
    QString Details() const { return m_window.GetDetails()->toPlainText(); }

    const int64_t m_now = std::time(nullptr);
    CKRXGuideGridWindow m_window;
};
} // namespace

TEST_F(GuideGridWindow, OpensAtNowWithTheWatchedServiceHighlighted)
{
    const CKRXGuideGrid& grid = m_window.GetGrid();
    EXPECT_EQ(grid.GetRowCount(), 12);
    EXPECT_EQ(grid.GetCurrentRow(), 11);
    // The line at now is in view, and the week can be scrolled to its end.
    const int scrolled = m_window.GetView()->horizontalScrollBar()->value();
    EXPECT_LE(scrolled, grid.GetNowX());
    EXPECT_GT(
        scrolled + m_window.GetView()->viewport()->width() - CKRXGuideGridView::ServiceColumnWidth, grid.GetNowX());
    EXPECT_GE(grid.XToTime(m_window.GetView()->horizontalScrollBar()->maximum() + m_window.GetView()->width()),
        m_now + 7 * 24 * 3600);
    EXPECT_EQ(Details(), "Click a programme to see its details.");
    EXPECT_FALSE(m_window.GetRecordButton()->isEnabled());

    // A service's name, double-clicked, is asked to be watched.
    std::pair<int, int> watch { -1, -1 };
    m_window.SetServiceSelector([&watch](unsigned short tsid, unsigned short sid) { watch = { tsid, sid }; });
    QTest::mouseDClick(m_window.GetView()->viewport(), Qt::LeftButton, {},
        QPoint(20, CKRXGuideGridView::ScaleHeight + 2 * CKRXGuideGrid::RowHeight + 5));
    EXPECT_EQ(watch, std::make_pair(1, 102));
}

TEST_F(GuideGridWindow, ClickingAProgrammeShowsItsDetailsAndRecordCarriesIt)
{
    // Late in the week on the first channel, whose multiplex is known.
    const CKRXGuideGrid::Cell late { 0, 200 };
    Click(late);
    const CDVBEvent& event = m_window.GetGrid().GetEvent(late);
    EXPECT_TRUE(Details().startsWith(QString::fromStdString(event.title) + "\n")) << Details().toStdString();
    EXPECT_TRUE(Details().contains(QString::fromStdString(event.shortText)));
    EXPECT_TRUE(Details().contains("on Channel 1"));
    EXPECT_TRUE(Details().contains("Genre: Show / Game show")); // the 201st programme's genre is the third
    EXPECT_TRUE(Details().contains("Rating: 12+ (GBR)"));
    // No one to record it yet: the action says so rather than pretending.
    EXPECT_FALSE(m_window.GetRecordButton()->isEnabled());

    std::optional<SKRXGuideRecording> asked;
    m_window.SetRecordHandler([&asked](const SKRXGuideRecording& recording) { asked = recording; });
    ASSERT_TRUE(m_window.GetRecordButton()->isEnabled());
    QTest::mouseClick(m_window.GetRecordButton(), Qt::LeftButton);
    ASSERT_TRUE(asked);
    EXPECT_EQ(asked->input, "File");
    EXPECT_EQ(asked->multiplex, "Korrix Demo");
    EXPECT_EQ(asked->serviceId, 100);
    EXPECT_EQ(asked->eventId, 201);
    EXPECT_EQ(asked->start, event.start);
    EXPECT_EQ(asked->duration, event.duration);

    // A service of a multiplex never opened here cannot be recorded.
    Click({ 10, 3 });
    EXPECT_TRUE(Details().contains("on Channel 11"));
    EXPECT_FALSE(m_window.GetRecordButton()->isEnabled());
    // Nor can a programme that has ended: the first of the hour, seen at ten to.
    const int64_t hour = m_window.GetGrid().GetStart();
    m_window.Load(MakeGuideWeek(1, hour + 20 * 60), { { 1, { "File", "Korrix Demo" } } }, hour + 50 * 60);
    Click({ 0, 0 });
    ASSERT_TRUE(m_window.GetGrid().HasEnded({ 0, 0 }));
    EXPECT_TRUE(Details().startsWith("Programme 1 of channel 1\n"));
    EXPECT_FALSE(m_window.GetRecordButton()->isEnabled());
    Click({ 0, 1 });
    EXPECT_TRUE(m_window.GetRecordButton()->isEnabled());
}

TEST_F(GuideGridWindow, SearchListsFindsAndShowsTheOneChosen)
{
    EXPECT_FALSE(m_window.GetFinds()->isVisible());
    QTest::keyClicks(m_window.GetSearchBox(), "PROGRAMME 150 OF CHANNEL 12");
    ASSERT_TRUE(m_window.GetFinds()->isVisible());
    ASSERT_EQ(m_window.GetFinds()->count(), 1);
    EXPECT_TRUE(m_window.GetFinds()->item(0)->text().endsWith("Channel 12  Programme 150 of channel 12"));
    QTest::mouseClick(m_window.GetFinds()->viewport(), Qt::LeftButton, {},
        m_window.GetFinds()->visualItemRect(m_window.GetFinds()->item(0)).center());
    const CKRXGuideGrid::Cell found { 11, 149 };
    EXPECT_EQ(m_window.GetView()->GetSelected(), found);
    EXPECT_TRUE(m_window.GetView()->viewport()->rect().intersects(m_window.GetView()->GetCellRect(found)));
    EXPECT_TRUE(Details().startsWith("Programme 150 of channel 12\n"));

    // Descriptions are searched too; a common word finds more than is listed.
    m_window.GetSearchBox()->setText("what happens on channel 3 ");
    EXPECT_GT(m_window.GetFinds()->count(), 100);
    m_window.GetSearchBox()->setText("happens");
    EXPECT_EQ(m_window.GetFinds()->count(), 201);
    EXPECT_TRUE(m_window.GetFinds()->item(200)->text().contains("search for more words"));
    m_window.GetSearchBox()->setText("no such programme");
    ASSERT_EQ(m_window.GetFinds()->count(), 1);
    EXPECT_EQ(m_window.GetFinds()->item(0)->text(), "Nothing found.");
    m_window.GetSearchBox()->clear();
    EXPECT_FALSE(m_window.GetFinds()->isVisible());
}
