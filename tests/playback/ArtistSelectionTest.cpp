#include "playback/ArtistSelection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/FifoGuard.h"
#include "support/JukeboxRig.h"
#include "support/TempDir.h"
#include "text/Encoding.h"

namespace korva {
namespace {

using Lines = std::vector<std::string>;

class ArtistSelectionTest : public ::testing::Test {
  protected:
    // Both playlists; an entry is a title and its Feel, its song file "<n>.mid".
    void Lists(const std::vector<std::pair<std::string, std::string>>& list0,
               const std::vector<std::pair<std::string, std::string>>& list1 = {}) {
        for (const int list : {0, 1}) {
            std::string text;
            for (const auto& [title, feel] : list == 0 ? list0 : list1)
                text += title + "\t/" + std::to_string(++songs) + ".mid\t+0\t" + feel + "\r\n";
            dir.Write(list == 0 ? "KORVA.DT0" : "KORVA.DT1", text);
        }
    }
    // Searches, picks the named artists in order and presses OK; returns whether the window closes.
    bool PickAndOk(const Lines& names) {
        artists.SearchArtists();
        for (const std::string& name : names) {
            const Lines& list = artists.Artists();
            artists.GetArtist(static_cast<int>(std::find(list.begin(), list.end(), name) - list.begin()));
        }
        return artists.OkBitBtnClick();
    }
    Lines Titles() const {
        Lines titles;
        for (const std::string_view line : model.PlayQueue)
            titles.emplace_back(line.substr(0, line.find('\t')));
        return titles;
    }

    testing::TempDir dir;
    testing::JukeboxRig rig{dir.Folder(), 7};
    AppModel& model = rig.Model();
    ArtistSelection& artists = rig.jukebox.Artists();
    int songs = 0;
};

TEST_F(ArtistSelectionTest, SearchListsEachArtistOnceSorted) {
    Lists({{"Third Song by Bob", "1"}, {"First Song by Ann", "1"}, {"Broken by Carl", "1"}},
          {{"Second Song by Ann Lee", "1"}, {"Lullaby Night", "1"}, {"Song by ", "1"}});
    artists.SearchArtists();
    // "Song by " names nobody and is left out.
    EXPECT_EQ(artists.Artists(), (Lines{"Ann", "Bob", "Carl", "Night"}));
    EXPECT_EQ(rig.deck.shown.back(), (testing::StatusEntry{".. Search Artists", StatusKind::Notice}));
}

// A list that is a FIFO is passed over like a missing one, without waiting on it, and named; the
// other list's artists are offered as usual.
TEST_F(ArtistSelectionTest, FifoListIsNamedAndTheOtherListStillSearched) {
    Lists({}, {{"Song by Ann", "1"}});
    const std::string fifo = dir.Folder() + "KORVA.DT0";
    std::filesystem::remove(fifo);
    ASSERT_TRUE(testing::MakeFifo(fifo));
    EXPECT_TRUE(testing::EndsWithoutWaitingOn({fifo}, [&] { EXPECT_TRUE(PickAndOk({"Ann"})); }));
    EXPECT_EQ(artists.Artists(), Lines{});
    EXPECT_EQ(Titles(), Lines{"Song by Ann"});
    EXPECT_EQ(rig.messages.shown,
              Lines{Sjis("ファイル ") + fifo + Sjis(" を読み込めません（名前付きパイプです）")});
}

TEST_F(ArtistSelectionTest, ArtistsAreListedInReadingOrder) {
    Lists({{Sjis("一 by さいとう"), "1"}, {Sjis("二 by カトウ"), "1"}, {Sjis("三 by Ｂob"), "1"}},
          {{Sjis("四 by ann"), "1"}});
    artists.SearchArtists();
    EXPECT_EQ(artists.Artists(), (Lines{"ann", Sjis("Ｂob"), Sjis("カトウ"), Sjis("さいとう")}));
}

TEST_F(ArtistSelectionTest, OkQueuesListByListArtistByArtistWithoutR) {
    Lists({{"B1 by Bob", "1"},
           {"A1 by Ann", "0"},
           {"A2 by Anne", "2"},
           {"R by Ann", "3"},
           {"Duet by Bob and by Ann", "1"},
           {"X by Ann", "-1"}},
          {{"A3 by Ann", "1"}, {"B2 by Bob", "1"}});
    ASSERT_TRUE(PickAndOk({"Bob", "Ann"}));
    EXPECT_EQ(Titles(), (Lines{"B1 by Bob", "Duet by Bob and by Ann", "A1 by Ann", "A2 by Anne",
                               "Duet by Bob and by Ann", "B2 by Bob", "A3 by Ann"}));
    EXPECT_EQ(model.PlayQueue[2], "A1 by Ann\t/2.mid\t+0\t0");  // the line as stored
    EXPECT_EQ(model.SongLines[3], "S +0 A2 by Anne");
    // The data scan leaves out R as well, and the queue as it was.
    artists.PutArtist(1);
    artists.DataScan(0, -1);
    EXPECT_EQ(artists.DataTitles(),
              (Lines{"A1 by Ann", "A2 by Anne", "A3 by Ann", "Duet by Bob and by Ann"}));
    EXPECT_EQ(model.PlayQueue.size(), 7u);
}

TEST_F(ArtistSelectionTest, NewPutsTheNewestMarkFirstAndRandomDrawsEveryEntryOnce) {
    model.settings.RNDMODE = NEW;
    Lists({{"b song by Ann", "1"}, {"Z by Bob", "1"}}, {{"!1 Fresh by Ann", "1"}, {"a song by Ann", "1"}});
    ASSERT_TRUE(PickAndOk({"Ann", "Bob"}));
    EXPECT_EQ(Titles(), (Lines{"!1 Fresh by Ann", "a song by Ann", "b song by Ann", "Z by Bob"}));

    // RND: the generator's draws give every entry once, in an order of their own.
    std::vector<std::pair<std::string, std::string>> many;
    for (int i = 0; i < 12; ++i) many.push_back({"Song " + std::to_string(i) + " by Cy", "1"});
    Lists(many);
    model.settings.RNDMODE = NOR;
    ASSERT_TRUE(PickAndOk({"Cy"}));
    Lines built = model.PlayQueue.ToStrings();
    model.settings.RNDMODE = RND;
    ASSERT_TRUE(PickAndOk({"Cy"}));
    Lines drawn = model.PlayQueue.ToStrings();
    EXPECT_NE(drawn, built);
    std::sort(drawn.begin(), drawn.end());
    std::sort(built.begin(), built.end());
    EXPECT_EQ(drawn, built);
}

TEST_F(ArtistSelectionTest, FeelThatIsNoNumberIsNamedAndTheWindowStaysUsable) {
    Lists({{"Good by Ann", "1"}, {"Bad by Ann", "x"}, {"Odd by Cy", ""}});
    EXPECT_FALSE(PickAndOk({"Ann"}));
    EXPECT_EQ(rig.messages.shown,
              (Lines{Sjis("プレイリスト ") + dir.Folder() + "KORVA.DT0" +
                     Sjis(" の 2 行目「Bad by Ann」の好みの値が数字ではないため、曲を選べ"
                          "ません。この行を直すか、このアーチストを選択から外してください。")}));
    EXPECT_TRUE(model.PlayQueue.empty());
    EXPECT_TRUE(model.SongLines.empty());
    // Another choice works; an empty Feel counts as "1".
    artists.PutArtist(0);
    artists.GetArtist(1);
    EXPECT_TRUE(artists.OkBitBtnClick());
    EXPECT_EQ(Titles(), (Lines{"Odd by Cy"}));
}

}  // namespace
}  // namespace korva
