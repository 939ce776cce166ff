#include "KRXNetRegionFile.h"

#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <fstream>

// Each delivery system's entry becomes the SAT>IP query that tunes it, in the
// units SAT>IP wants (MHz, kSymb/s); systems SAT>IP cannot tune are left out.
TEST(RegionFile, EachSystemsEntryBecomesItsTuningQuery)
{
    TemporaryFolder folder;
    const CString path = folder.File("region");
    std::ofstream(path)
        << "# freq pol sr fec\n"
           "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS2\n\tFREQUENCY = 11362000\n\tPOLARIZATION = HORIZONTAL\n"
           "\tSYMBOL_RATE = 22000000\n\tINNER_FEC = 2/3\n\tMODULATION = PSK/8\n"
           "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS\n\tFREQUENCY = 10714250\n\tPOLARIZATION = VERTICAL\n"
           "\tSYMBOL_RATE = 22000000\n"
           "[CH25: A, B]\n\tDELIVERY_SYSTEM = DVBT2\n\tFREQUENCY = 506000000\n\tBANDWIDTH_HZ = 1712000\n"
           "\tSTREAM_ID = 1\n"
           "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBT\n\tFREQUENCY = 474000000\n\tBANDWIDTH_HZ = 8000000\n"
           "\tMODULATION = QAM/AUTO\n"
           "[CHANNEL]\n\tDELIVERY_SYSTEM = ATSC\n\tFREQUENCY = 57000000\n\tMODULATION = VSB/8\n"
           "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBC/ANNEX_A\n\tFREQUENCY = 377750000\n"
           "\tSYMBOL_RATE = 6900000\n\tMODULATION = QAM/256\n";
    std::vector<KRXNetRegionEntry> entries;
    CString error;
    ASSERT_TRUE(ReadNetRegionFile(path, entries, error)) << error;
    std::vector<std::pair<CString, CString>> tunings;
    for (const KRXNetRegionEntry& entry : entries)
        tunings.push_back({ SatIpMultiplexName(entry), SatIpTuningQuery(entry, 3) });
    const std::vector<std::pair<CString, CString>> expected = {
        { "DVB-S2 11362 MHz H", "src=3&freq=11362&pol=h&msys=dvbs2&mtype=8psk&sr=22000" },
        { "DVB-S 10714.25 MHz V", "src=3&freq=10714.25&pol=v&msys=dvbs&sr=22000" },
        { "DVB-T2 506 MHz PLP 1", "freq=506&bw=1.712&msys=dvbt2&plp=1" },
        { "DVB-T 474 MHz", "freq=474&bw=8&msys=dvbt" },
        { "DVB-C 377.75 MHz", "freq=377.75&msys=dvbc&mtype=256qam&sr=6900" },
    };
    EXPECT_EQ(tunings, expected);

    EXPECT_FALSE(ReadNetRegionFile(folder.File("missing"), entries, error));
    EXPECT_NE(error.find("missing"), CString::npos) << error;
}
