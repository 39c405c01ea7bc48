#include "playback/ArtistSelection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "support/JukeboxRig.h"
#include "support/TempDir.h"
#include "text/Encoding.h"

namespace korva {
namespace {

using Lines = std::vector<std::string>;
using testing::TempDir;

// The artists window as a user drives it: what it does while shown is scripted by the test.
class ScriptedArtistsWindow final : public ArtistsWindowView {
  public:
    void PaintPending() override { log.push_back("paint"); }
    void SetWaitCursor(bool on) override { log.push_back(on ? "wait" : "arrow"); }
    void ArtistListsChanged() override {}
    void ShowArtistsWindow() override {
        log.push_back("shown");
        if (whileShown)
            whileShown();
    }
    std::function<void()> whileShown;
    Lines log;
};

class ArtistSelectionTest : public ::testing::Test {
  protected:
    ArtistSelectionTest() {
        model.settings.PLAYMOD = ARTS;
        model.settings.RNDMODE = NOR;
        model.settings.SENDRST = 0;
        rig.jukebox.AttachArtistsWindow(window);
    }

    // A line of a song file that exists.
    std::string Line(const std::string& title, const std::string& feel = "1", const std::string& vol = "+0") {
        const std::string path = dir.Write("s" + std::to_string(++songs) + ".mid", "MThd");
        return title + "\t" + path + "\t" + vol + "\t" + feel;
    }
    void List(int list, const Lines& lines) {
        std::string text;
        for (const std::string& line : lines) text += line + "\r\n";
        dir.Write(list == 0 ? "KORVA.DT0" : "KORVA.DT1", text);
    }
    // Searches, picks the artists in order and presses OK; returns whether the window closed.
    bool Pick(const Lines& names) {
        artists.SearchArtists();
        for (const std::string& name : names) {
            const auto& list = artists.Artists();
            artists.GetArtist(static_cast<int>(std::find(list.begin(), list.end(), name) - list.begin()));
        }
        return artists.OkBitBtnClick();
    }
    Lines Titles() const {
        Lines titles;
        for (const std::string& line : model.PlayQueue) titles.push_back(line.substr(0, line.find('\t')));
        return titles;
    }

    TempDir dir;
    testing::JukeboxRig rig{dir.Folder()};
    AppModel& model = rig.Model();
    ArtistSelection& artists = rig.jukebox.Artists();
    ScriptedArtistsWindow window;
    int songs = 0;
};

TEST_F(ArtistSelectionTest, SearchListsEachArtistOnceSortedFromBothLists) {
    List(0, {Line("Third Song by Bob"), Line("First Song by Ann"), Line("no artist"), "Broken by Carl"});
    List(1, {Line("Second Song by Ann Lee"), Line("Lullaby Night"), Line("Later by ann")});
    artists.SearchArtists();
    // "Broken by Carl" has no TAB and so no title; "ann" differs from "Ann" but sorts with it.
    EXPECT_EQ(artists.Artists(), (Lines{"Ann", "ann", "Bob", "Night"}));
    EXPECT_EQ(rig.deck.shown.back(), (testing::StatusEntry{".. Search Artists", StatusKind::Notice}));
    EXPECT_EQ(window.log, (Lines{"paint", "wait", "arrow", "shown"}));

    // Picks keep their order; a name put back goes to its sorted place; a bad index does nothing.
    artists.GetArtist(3);
    artists.GetArtist(0);
    artists.GetArtist(7);
    EXPECT_EQ(artists.PickUps(), (Lines{"Night", "Ann"}));
    artists.PutArtist(1);
    artists.PutArtist(-1);
    EXPECT_EQ(artists.Artists(), (Lines{"ann", "Ann", "Bob"}));

    // A new search starts from nothing.
    std::filesystem::remove(dir.Path() / "KORVA.DT1");
    artists.SearchArtists();
    EXPECT_EQ(artists.Artists(), (Lines{"Ann", "Bob"}));
    EXPECT_TRUE(artists.PickUps().empty());
}

TEST_F(ArtistSelectionTest, OkQueuesListByListArtistByArtistInFileOrder) {
    List(0, {Line("B1 by Bob"), Line("A1 by Ann", "0", "-2"), Line("A2 by Anne", "2"), Line("R by Ann", "3"),
             Line("Duet by Bob and by Ann"), Line("X by Ann", "-1")});
    List(1, {Line("A3 by Ann"), Line("B2 by Bob")});
    ASSERT_TRUE(Pick({"Bob", "Ann"}));
    // The duet belongs to both picks and plays twice; R and -1 never do.
    EXPECT_EQ(Titles(), (Lines{"B1 by Bob", "Duet by Bob and by Ann", "A1 by Ann", "A2 by Anne",
                               "Duet by Bob and by Ann", "B2 by Bob", "A3 by Ann"}));
    EXPECT_EQ(model.SongLines,
              (Lines{"M +0 B1 by Bob", "M +0 Duet by Bob and by Ann", "L -2 A1 by Ann", "S +0 A2 by Anne",
                     "M +0 Duet by Bob and by Ann", "M +0 B2 by Bob", "M +0 A3 by Ann"}));
    EXPECT_EQ(model.PlayQueue[2], model.PlayQueue[2].substr(0, model.PlayQueue[2].find('\t')) + "\t" +
                                      dir.Folder() + "s2.mid\t-2\t0");  // the whole line as stored
    EXPECT_EQ(rig.songList.linesChanged, 1);
}

TEST_F(ArtistSelectionTest, NewSortsTheWholeLinesSoMarkedSongsComeFirst) {
    model.settings.RNDMODE = NEW;
    List(0, {Line("b song by Ann"), Line("Z other by Bob")});
    List(1, {Line("!1 Fresh by Ann"), Line("a song by Ann")});
    ASSERT_TRUE(Pick({"Ann", "Bob"}));
    EXPECT_EQ(Titles(), (Lines{"!1 Fresh by Ann", "a song by Ann", "b song by Ann", "Z other by Bob"}));
    EXPECT_EQ(model.SongLines.front(), "M +0 !1 Fresh by Ann");
}

TEST_F(ArtistSelectionTest, RandomOrderIsADrawnPermutation) {
    model.settings.RNDMODE = RND;
    Lines lines;
    for (int i = 0; i < 12; ++i) lines.push_back(Line("Song " + std::to_string(i) + " by Ann"));
    List(0, lines);
    ASSERT_TRUE(Pick({"Ann"}));
    Lines drawn = model.PlayQueue;
    EXPECT_NE(drawn, lines);
    std::sort(drawn.begin(), drawn.end());
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(drawn, lines);

    // The same seed draws the same order; the draws follow the one generator, one per entry left.
    testing::JukeboxRig scripted(dir.Folder(), 7, true);
    scripted.scripted.draws = {2, 0, 1};
    scripted.Model().settings.RNDMODE = RND;
    List(0, {Line("P by Cy"), Line("Q by Cy"), Line("R by Cy")});
    ArtistSelection& selection = scripted.jukebox.Artists();
    selection.SearchArtists();
    selection.GetArtist(0);
    ASSERT_TRUE(selection.OkBitBtnClick());
    Lines titles;
    for (const auto& line : scripted.Model().PlayQueue) titles.push_back(line.substr(0, line.find('\t')));
    EXPECT_EQ(titles, (Lines{"R by Cy", "P by Cy", "Q by Cy"}));
    EXPECT_EQ(scripted.scripted.bounds, (std::vector<int>{3, 2, 1}));
}

TEST_F(ArtistSelectionTest, OkWithoutPicksOrWithoutListsLeavesTheQueueEmpty) {
    artists.SearchArtists();
    EXPECT_TRUE(artists.Artists().empty());
    EXPECT_TRUE(artists.OkBitBtnClick());
    EXPECT_TRUE(model.PlayQueue.empty());
    artists.CansBitBtnClick();
    EXPECT_EQ(rig.deck.shown.back(), (testing::StatusEntry{"", StatusKind::Notice}));
}

TEST_F(ArtistSelectionTest, DataScanListsThePickUpsTitlesSortedAndLeavesTheQueueEmpty) {
    List(0, {Line("Zed by Ann"), Line("Rested by Ann", "3"), Line("Beat by Bob")});
    List(1, {Line("alpha by Anne")});
    artists.SearchArtists();
    artists.GetArtist(0);  // Ann
    artists.DataScan(-1, -1);
    EXPECT_TRUE(artists.DataTitles().empty());
    artists.DataScan(1, -1);  // Bob; Anne is first now
    EXPECT_EQ(artists.DataTitles(), (Lines{"Beat by Bob"}));
    artists.DataScan(0, 0);  // the pick-up's titles replace Bob's
    EXPECT_EQ(artists.DataTitles(), (Lines{"alpha by Anne", "Zed by Ann"}));
    EXPECT_TRUE(model.PlayQueue.empty());
}

TEST_F(ArtistSelectionTest, FeelThatIsNoNumberIsNamedAndTheWindowStaysUsable) {
    List(0, {Line("Good by Bob"), Line("Good by Ann"), Line("Bad by Ann", "x"), Line("Odd by Cy", "")});
    artists.SearchArtists();
    artists.GetArtist(0);  // Ann
    window.log.clear();
    EXPECT_FALSE(artists.OkBitBtnClick());
    ASSERT_EQ(rig.messages.shown.size(), 1u);
    EXPECT_EQ(rig.messages.shown[0],
              Sjis("プレイリスト ") + dir.Folder() + "KORVA.DT0" +
                  Sjis(" の 3 行目「Bad by Ann」の好みの値が数字ではないため、曲を選べ"
                       "ません。この行を直すか、このアーチストを選択から外してください。"));
    EXPECT_TRUE(model.PlayQueue.empty());
    EXPECT_TRUE(model.SongLines.empty());
    EXPECT_EQ(window.log, (Lines{"wait", "arrow"}));  // the cursor is back before the message

    artists.DataScan(-1, 0);
    EXPECT_EQ(rig.messages.shown.size(), 2u);
    EXPECT_TRUE(artists.DataTitles().empty());

    // Put back, pick another: the window goes on working. An empty Feel field counts as "1".
    artists.PutArtist(0);
    artists.GetArtist(2);  // Cy
    EXPECT_TRUE(artists.OkBitBtnClick());
    EXPECT_EQ(Titles(), (Lines{"Odd by Cy"}));
}

// Play in ARTS mode: the search shows the window, its OK fills the queue, and play starts there.
TEST_F(ArtistSelectionTest, PlayInArtsModeSearchesThenPlaysThePicks) {
    List(0, {Line("One by Ann"), Line("Two by Bob")});
    List(1, {Line("Three by Ann")});
    window.whileShown = [&] {
        artists.GetArtist(0);
        ASSERT_TRUE(artists.OkBitBtnClick());
    };
    rig.Connect();
    Player& player = rig.ThePlayer();
    player.Play();
    EXPECT_EQ(rig.device.opened, (Lines{dir.Folder() + "s1.mid"}));
    EXPECT_EQ(rig.songList.caption, "ARTIST (NOR/END) 2" + Sjis("曲"));
    rig.device.FinishAndDeliver();
    rig.device.FinishAndDeliver();
    EXPECT_EQ(rig.device.opened, (Lines{dir.Folder() + "s1.mid", dir.Folder() + "s3.mid"}));
    EXPECT_FALSE(rig.deck.playLit);

    // CANS: nothing is queued and nothing plays.
    window.whileShown = [&] { artists.CansBitBtnClick(); };
    player.Play();
    EXPECT_TRUE(model.PlayQueue.empty());
    EXPECT_EQ(rig.device.opened.size(), 2u);
    EXPECT_EQ(rig.deck.shown.back(), (testing::StatusEntry{"", StatusKind::Notice}));
}

}  // namespace
}  // namespace korva
