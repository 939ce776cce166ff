// The page viewer window as a user drives it: it waits for page 100, takes a
// page number, steps through subpages and follows colour links. Pages come
// through a real receiver and libzvbi; the window's refresh timer is fired by
// hand, so nothing waits on time.
#include "DVBTeletextReceiver.h"
#include "DVBZVBITeletextDecoder.h"
#include "KRXTeletextWindow.h"
#include "TeletextEncoder.h"
#include "tswriter/PesWriter.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

class TeletextWindow : public ::testing::Test
{
protected:
    TeletextWindow() { m_window.show(); }

    void Send(int number, int subpage, const std::string& text, std::array<int, 4> links = {})
    {
        TeletextPage page;
        page.number = number;
        page.subpage = subpage;
        page.rows = { { 1, text } };
        page.links = links;
        ts::PesPacket pes(
            0xBD, 90000, std::nullopt, TeletextEncoder::PesData(TeletextEncoder::PagePackets(page), false));
        pes.headerDataLength = 0x24;
        ts::Bytes bytes = ts::PesWriter::Build(pes);
        m_receiver.DecodePES(bytes.data(), static_cast<unsigned long>(bytes.size()));
    }
    // What the window's timer does a few times a second.
    void Tick()
    {
        QTimer* timer = m_window.findChild<QTimer*>();
        QTimerEvent event(timer->timerId());
        QCoreApplication::sendEvent(timer, &event);
    }
    void Enter(const QString& number)
    {
        auto* entry = m_window.findChild<QLineEdit*>();
        entry->selectAll();
        QTest::keyClicks(entry, number);
        QTest::keyClick(entry, Qt::Key_Return);
    }
    void Click(const char* name) { QTest::mouseClick(m_window.findChild<QPushButton*>(name), Qt::LeftButton); }
    QString Status() const { return m_window.findChild<QLabel*>("status")->text(); }
    QString Shown() const { return m_window.findChild<QTextEdit*>()->toPlainText(); }
    QString Entered() const { return m_window.findChild<QLineEdit*>()->text(); }
    QPushButton* Link(const char* colour) const { return m_window.findChild<QPushButton*>(colour); }

    CDVBTeletextReceiver m_receiver { nullptr, std::make_unique<CDVBZVBITeletextDecoder>(), 0 };
    CKRXTeletextWindow m_window { [this] { return &m_receiver; } };
};

} // namespace

TEST_F(TeletextWindow, WaitsForPage100UntilItComes)
{
    EXPECT_EQ(Status(), "waiting for page 100");
    EXPECT_FALSE(Link("red")->isEnabled());
    Send(0x101, 0, "Not this one");
    Tick();
    EXPECT_EQ(Status(), "waiting for page 100");
    Send(0x100, 0, "Index", { 0x101, 0, 0, 0x102 });
    EXPECT_EQ(Status(), "waiting for page 100") << "shown at the next refresh";
    Tick();
    EXPECT_EQ(Status(), "page 100");
    EXPECT_TRUE(Shown().contains("Index"));
    EXPECT_EQ(Link("red")->text(), "101");
    EXPECT_TRUE(Link("red")->isEnabled());
    EXPECT_FALSE(Link("green")->isEnabled());
    EXPECT_EQ(Link("blue")->text(), "102");
}

TEST_F(TeletextWindow, TakesAPageNumberAndStepsThroughItsSubpages)
{
    Send(0x100, 0, "Index");
    Tick();
    Enter("205");
    EXPECT_EQ(Status(), "waiting for page 205");
    EXPECT_FALSE(Shown().contains("Index")) << "the old page is not left showing";
    Send(0x205, 1, "Weather north");
    Send(0x205, 2, "Weather south");
    Tick();
    EXPECT_EQ(Status(), "page 205, subpage 2 of 2");
    EXPECT_TRUE(Shown().contains("Weather south"));
    Click("next");
    EXPECT_EQ(Status(), "page 205, subpage 1 of 2") << "round the end";
    EXPECT_TRUE(Shown().contains("Weather north"));
    Click("previous");
    EXPECT_EQ(Status(), "page 205, subpage 2 of 2");
    Enter("9x1");
    EXPECT_EQ(Status(), "page 205, subpage 2 of 2") << "no such page number";
}

TEST_F(TeletextWindow, FollowsAColourLink)
{
    Send(0x100, 0, "Index", { 0, 0, 0x300, 0 });
    Send(0x300, 0, "Sport");
    Tick();
    Click("green");
    EXPECT_EQ(Status(), "page 100") << "green names no page";
    Click("yellow");
    EXPECT_EQ(Entered(), "300");
    EXPECT_EQ(Status(), "page 300");
    EXPECT_TRUE(Shown().contains("Sport"));
    EXPECT_FALSE(Link("yellow")->isEnabled()) << "page 300 has no links";
}
