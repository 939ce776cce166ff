// The favourites as the user marks them: one service is one favourite
// whatever its name, the same service id on another multiplex or input is
// another, and the file keeps them in order, odd names and all, for every
// program that changes it.
#include "support/TemporaryFolder.h"
#include "viewing/KRXFavouriteStore.h"

#include <gtest/gtest.h>

TEST(FavouriteList, AServiceIsOneFavouriteWhereverItIsReceivedAndWhateverItsName)
{
    CKRXFavouriteList list;
    const SKRXFavourite one { "File", "Korrix Demo", 1, "Korrix One" };
    EXPECT_TRUE(list.Toggle(one));
    EXPECT_FALSE(list.Add({ "File", "Korrix Demo", 1, "Renamed" })) << "the same service";
    EXPECT_TRUE(list.Add({ "File", "Other", 1, "Korrix One" }));
    EXPECT_TRUE(list.Add({ "Card", "Korrix Demo", 1, "Korrix One" }));
    EXPECT_TRUE(list.Add({ "File", "Korrix Demo", 2, "Korrix Two" }));
    EXPECT_EQ(list.Find({ "File", "Korrix Demo", 2, "" }), 3);
    EXPECT_FALSE(list.Toggle({ "File", "Korrix Demo", 1, "" }));
    EXPECT_EQ(list.Find(one), -1);
    EXPECT_FALSE(list.Remove(one));
    ASSERT_EQ(list.GetFavourites().size(), 3u);
    EXPECT_EQ(list.GetFavourites()[0].multiplex, "Other");
    EXPECT_EQ(list.GetFavourites()[2].serviceId, 2);
}

TEST(FavouriteStore, TwoProgramsKeepEachOthersFavouritesInTheUsersFileInOrder)
{
    TemporaryFolder folder;
    const CKRXFavouriteStore first(folder.Path());
    const CKRXFavouriteStore second(folder.Path());
    const SKRXFavourite odd { "TT Budget DVB-T", "Mux\t1 \\ two", 0xFFFF, "Déjà\nvu" };
    CString error;
    ASSERT_TRUE(first.Change([&](CKRXFavouriteList& list) { list.Add(odd); }, error)) << error;
    ASSERT_TRUE(second.Change([](CKRXFavouriteList& list) { list.Add({ "File", "Demo", 3, "Radio" }); }, error));
    ASSERT_TRUE(first.Change([](CKRXFavouriteList& list) { list.Add({ "File", "Demo", 1, "One" }); }, error));
    EXPECT_EQ(first.GetPath(), folder.File("Favourites.txt"));

    CKRXFavouriteList read;
    ASSERT_TRUE(second.Read(read, error)) << error;
    ASSERT_EQ(read.GetFavourites().size(), 3u);
    EXPECT_EQ(read.GetFavourites()[0].input, odd.input);
    EXPECT_EQ(read.GetFavourites()[0].multiplex, odd.multiplex);
    EXPECT_EQ(read.GetFavourites()[0].serviceId, odd.serviceId);
    EXPECT_EQ(read.GetFavourites()[0].name, odd.name);
    EXPECT_EQ(read.GetFavourites()[1].name, "Radio");
    EXPECT_EQ(read.GetFavourites()[2].serviceId, 1);

    folder.Write("Favourites.txt", folder.Read("Favourites.txt") + "input=File\tsid=4\n");
    EXPECT_FALSE(second.Read(read, error));
    EXPECT_NE(error.find("line 4 is not a favourite"), CString::npos) << error;
}
