// The locked, all-or-nothing output file every writer of the program uses.
#include "platform/OutputFile.h"

#include "support/TemporaryFolder.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

TEST(LockedOutputFile, AWriteThatDoesNotFitLeavesTheFileAsItWasAndEndsTheFile)
{
    TemporaryFolder folder;
    const CString path = folder.File("out");
    // The limit is the child's alone; its exit code is the verdict.
    const pid_t child = fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit { 1000, 1000 };
        setrlimit(RLIMIT_FSIZE, &limit);
        COutputFile file;
        const CString block(600, 'x'), header(4, 'h');
        const bool whole = file.Open(path) && file.Write(block.data(), block.size())
            && !file.Write(block.data(), block.size()) && file.GetError() == "File too large"
            && !file.Write(header.data(), header.size()) // nothing more after a failure
            && file.WriteAt(0, header.data(), header.size()) // but a header still counts what is there
            && file.GetSize() == 600 && file.Close();
        _exit(whole ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(folder.Read("out"), CString(4, 'h') + CString(596, 'x'));
}

TEST(LockedOutputFile, ASecondWriterIsRefusedWithoutEmptyingTheFile)
{
    TemporaryFolder folder;
    const CString path = folder.File("out");
    COutputFile first, second;
    ASSERT_TRUE(first.Open(path)) << first.GetError();
    ASSERT_TRUE(first.Write("data", 4));
    CString reason;
    EXPECT_FALSE(COutputFile::Probe(path, reason));
    EXPECT_EQ(reason, "it is being written already");
    EXPECT_FALSE(second.Open(path));
    EXPECT_EQ(second.GetError(), "it is being written already");
    EXPECT_EQ(folder.Read("out"), "data");

    ASSERT_TRUE(first.Close());
    EXPECT_TRUE(COutputFile::Probe(path, reason)) << reason;
    EXPECT_EQ(folder.Read("out"), "data") << "a probe changes nothing";
    EXPECT_TRUE(second.Open(path)) << second.GetError();
    EXPECT_EQ(folder.Read("out"), "") << "an old file is replaced once it is ours";
}
