// korrix-dvbsim itself: what it refuses before the command runs, and what it
// hands the command.
#include "UnderSimulator.h"

namespace {

using Launcher = UnderSimulator;

} // namespace

TEST_F(Launcher, RefusesABadConfigurationNamingTheLineAndRunsNothing)
{
    std::string marker = folder.File("ran");
    Launch bad
        = Run(Write("sim.conf", "# two lines\ndvbt 506000000 8000000 served.ts\ndvbs 12188000 x 27500000 served.ts\n"),
            "touch " + marker);
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.output.find("line 3: polarisation \"x\" is not h or v"), std::string::npos) << bad.output;

    Launch missing = Run(Write("sim.conf", "dvbt 506000000 8000000 absent.ts\n"), "touch " + marker);
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.output.find("line 1: " + folder.File("absent.ts") + " cannot be read"), std::string::npos)
        << missing.output;

    // Packets without a single PCR cannot be played at any rate.
    std::vector<uint8_t> unpaced(188 * 20, 0xFF);
    for (size_t offset = 0; offset < unpaced.size(); offset += 188)
        unpaced[offset] = 0x47;
    std::ofstream(folder.File("unpaced.ts"), std::ios::binary)
        .write(reinterpret_cast<const char*>(unpaced.data()), unpaced.size());
    Launch unpacedRun = Run(Write("sim.conf", "dvbt 506000000 8000000 unpaced.ts\n"), "touch " + marker);
    EXPECT_EQ(unpacedRun.status, 2);
    EXPECT_NE(
        unpacedRun.output.find("line 1: " + folder.File("unpaced.ts") + " carries no two PCRs"), std::string::npos)
        << unpacedRun.output;

    EXPECT_FALSE(std::ifstream(marker).good()) << "the command ran after a refusal";
}

TEST_F(Launcher, RunsTheCommandWithTheAdapterPreloadedAndPassesOnItsExitStatus)
{
    std::string config = Write("sim.conf", "dvbt 506000000 8000000 served.ts\n");
    Launch preloaded = Run(config,
        "sh -c 'case \"$LD_PRELOAD\" in */libkrxdvbsim.so*) ;; *) exit 9;; esac; "
        "test \"$KORRIX_DVBSIM_CONFIG\" = "
            + config + " || exit 8; exit 3'");
    EXPECT_EQ(preloaded.status, 3) << preloaded.output;
    EXPECT_EQ(Run(config, "/nonexistent/program").status, 127);
}
