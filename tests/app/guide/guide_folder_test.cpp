#include "KRXGuideFolder.h"
#include "support/AsOrdinaryUser.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
class GuideFolderChoice : public ::testing::Test
{
protected:
    GuideFolderChoice()
    {
        chmod(m_program.Path().c_str(), 0755);
        chmod(m_home.Path().c_str(), 0777);
        fs::create_directories(m_program.File("epg"));
        m_program.Write("epg/epg.html", "<html>page</html>");
    }
    ~GuideFolderChoice() override { chmod(m_program.File("epg").c_str(), 0755); }

    void MakeProgramReadOnly() { chmod(m_program.File("epg").c_str(), 0555); }
    CString Prepare(const CString& user)
    {
        AsOrdinaryUser user_;
        return PrepareGuideFolder(m_program.Path(), user);
    }

    TemporaryFolder m_program;
    TemporaryFolder m_home;
};
} // namespace

TEST_F(GuideFolderChoice, AWritableProgramFolderKeepsPageAndExport)
{
    chmod(m_program.File("epg").c_str(), 0777);
    EXPECT_EQ(Prepare(m_home.File("user/")), m_program.Path());
    EXPECT_FALSE(fs::exists(m_home.File("user")));
}

TEST_F(GuideFolderChoice, AReadOnlyProgramFolderMovesBothToAUserCopyKeptUpToDate)
{
    MakeProgramReadOnly();
    const CString user = m_home.File("data/korrix/");
    EXPECT_EQ(Prepare(user), user);
    EXPECT_EQ(m_home.Read("data/korrix/epg/epg.html"), "<html>page</html>");

    // A newer program's page replaces the user's old copy.
    chmod(m_program.File("epg").c_str(), 0755);
    m_program.Write("epg/epg.html", "<html>newer</html>");
    EXPECT_EQ(Prepare(user), user);
    EXPECT_EQ(m_home.Read("data/korrix/epg/epg.html"), "<html>newer</html>");
}

TEST_F(GuideFolderChoice, AnExportThatCannotBeRewrittenMakesTheFolderUnwritable)
{
    chmod(m_program.File("epg").c_str(), 0777);
    m_program.Write("epg/epg.xml", "<system/>");
    chmod(m_program.File("epg/epg.xml").c_str(), 0444);
    EXPECT_EQ(Prepare(m_home.Path()), m_home.Path());
}

TEST_F(GuideFolderChoice, WhenNoUserCopyCanBeMadeTheProgramFolderStays)
{
    MakeProgramReadOnly();
    m_home.Write("blocked", "a file where the folder should be");
    EXPECT_EQ(Prepare(m_home.File("blocked/")), m_program.Path());

    // Nor without a page to copy: the browser then shows its error page.
    chmod(m_program.File("epg").c_str(), 0755);
    fs::remove(m_program.File("epg/epg.html"));
    MakeProgramReadOnly();
    EXPECT_EQ(Prepare(m_home.Path()), m_program.Path());
    EXPECT_FALSE(fs::exists(m_home.File("epg/epg.html")));
}
