#include "playback/PlayQueue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/SeededRandom.h"
#include "playlist/LineOrder.h"
#include "playlist/PlaylistEntry.h"
#include "playlist/PlaylistLoader.h"
#include "support/Fakes.h"
#include "support/FifoGuard.h"
#include "support/TempDir.h"
#include "text/Encoding.h"

namespace korva {
namespace {

using Lines = std::vector<std::string>;

using testing::FakeClock;
using testing::RecordingMessages;
using testing::RecordingStatus;
using testing::ScriptedFolderDialog;
using testing::ScriptedRandom;

const std::string kFailure = Sjis("プレイリストがないか、またはプレイリストの処理エラーです");
const std::string kPreparing = ".. Preparations for Play";

std::string Entry(const std::string& name, const std::string& feel, const std::string& vol = "+0") {
    return name + "\t/midi/" + name + ".mid\t" + vol + "\t" + feel;
}

class PlayQueueTest : public ::testing::Test {
  protected:
    PlayQueueTest() { model.folders = {dir.Folder(), dir.Folder(), dir.Folder() + "one/", {}}; }

    void WriteList(int list, const Lines& lines) {
        if (list == 1)
            std::filesystem::create_directories(dir.Path() / "one");
        std::string bytes;
        for (const auto& line : lines) bytes += line + "\r\n";
        dir.Write(list == 0 ? "KORVA.DT0" : "one/KORVA.DT1", bytes);
    }

    // As Play does before a build: the order mode set, the queue and the scratch list empty.
    void ReadyToBuild(OrderMode order) {
        model.settings.RNDMODE = order;
        model.PlayQueue.clear();
        model.ScratchList.clear();
    }

    void Build(int list, OrderMode order) {
        ReadyToBuild(order);
        PrepareListQueue(model, list, ports);
    }

    testing::TempDir dir;
    AppModel model;
    RecordingStatus status;
    RecordingMessages messages;
    ScriptedRandom random;
    QueuePorts ports{status, messages, random};
};

TEST_F(PlayQueueTest, NorSortsByTitleWithoutMarks) {
    WriteList(0, {Entry("Beta", "1"), "!1 " + Entry("Alpha", "1"), Entry("Gamma", "1")});
    Build(0, NOR);
    EXPECT_EQ(model.PlayQueue, (Lines{Entry("Alpha", "1"), Entry("Beta", "1"), Entry("Gamma", "1")}));
    EXPECT_EQ(model.SongLines, (Lines{"M +0 Alpha", "M +0 Beta", "M +0 Gamma"}));
    EXPECT_EQ(status.shown, (decltype(status.shown){{kPreparing, StatusKind::Notice}}));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(random.bounds.empty());
    EXPECT_EQ(model.ScratchList.size(), 3u);  // a NOR build leaves its pool
}

TEST_F(PlayQueueTest, NorPlaysJapaneseTitlesInReadingOrder) {
    // Byte order would play every hiragana title before every katakana one and the half-width
    // kana and full-width letters last.
    const std::vector<std::string> titles{"ｶｷ", "Ｃ", "かき", "カカ", "あお", "b", "アイ"};
    Lines lines;
    for (const std::string& title : titles) lines.push_back(Entry(Sjis(title), "1"));
    WriteList(0, lines);
    Build(0, NOR);
    Lines expected;
    for (const char* title : {"b", "Ｃ", "アイ", "あお", "カカ", "かき", "ｶｷ"}) expected.push_back(Entry(Sjis(title), "1"));
    EXPECT_EQ(model.PlayQueue, expected);
}

TEST_F(PlayQueueTest, NorKeepsTheWholeLineAfterAStrippedMark) {
    const std::string longName = std::string(300, 'n');
    WriteList(0, {"!2 " + Entry(longName, "1")});
    Build(0, NOR);
    EXPECT_EQ(model.PlayQueue, (Lines{Entry(longName, "1")}));
}

TEST_F(PlayQueueTest, NewPutsMarkedSongsFirstByMarkThenTitle) {
    WriteList(0, {"!2 " + Entry("Beta", "1"), "!1 " + Entry("Gamma", "1"), Entry("Alpha", "1")});
    Build(0, NEW);
    EXPECT_EQ(model.PlayQueue,
              (Lines{"!1 " + Entry("Gamma", "1"), "!2 " + Entry("Beta", "1"), Entry("Alpha", "1")}));
    EXPECT_EQ(model.SongLines, (Lines{"M +0 !1 Gamma", "M +0 !2 Beta", "M +0 Alpha"}));
    EXPECT_TRUE(model.ScratchList.empty());
}

TEST_F(PlayQueueTest, LovedEntryIsQueuedAgainAsOrdinary) {
    for (const OrderMode order : {NEW, RND}) {
        WriteList(0, {Entry("Only", "0", "-2") + "\textra"});
        Build(0, order);
        EXPECT_EQ(model.PlayQueue, (Lines{Entry("Only", "0", "-2") + "\textra", Entry("Only", "1", "-2")}));
        EXPECT_EQ(model.SongLines, (Lines{"L -2 Only", "M -2 Only"}));
    }
}

TEST_F(PlayQueueTest, RestingEntryIsNeverQueuedAndSometimesEntryAlwaysInNor) {
    WriteList(0, {Entry("Rest", "3"), Entry("Some", "2"), Entry("Odd", "7"), Entry("Minus", "-1")});
    Build(0, NOR);
    EXPECT_EQ(model.PlayQueue, (Lines{Entry("Some", "2")}));
    EXPECT_EQ(model.SongLines, (Lines{"S +0 Some"}));
    for (const OrderMode order : {NEW, RND}) {
        random.draws = {0, 0, 0, 0, 0};  // the S draw below 10 gives 0: kept
        Build(0, order);
        EXPECT_EQ(model.PlayQueue, (Lines{Entry("Some", "2")})) << order;
    }
}

TEST_F(PlayQueueTest, SometimesEntryNeedsADrawBelowFive) {
    WriteList(0, {Entry("Some", "2")});
    random.draws = {0, 5};
    Build(0, RND);
    EXPECT_TRUE(model.PlayQueue.empty());
    EXPECT_EQ(random.bounds, (std::vector<int>{1, 10}));
    random.draws = {0, 4};
    Build(0, RND);
    EXPECT_EQ(model.PlayQueue.size(), 1u);
}

TEST_F(PlayQueueTest, MarkedEntriesCountOnceInNewAndLikeAnyOtherInRnd) {
    WriteList(0, {"!1 " + Entry("Rest", "3"), "!3 " + Entry("Love", "0")});
    Build(0, NEW);
    EXPECT_EQ(model.PlayQueue, (Lines{"!3 " + Entry("Love", "0")}));
    Build(0, RND);
    EXPECT_EQ(model.PlayQueue, (Lines{"!3 " + Entry("Love", "0"), "!3 " + Entry("Love", "1")}));
}

TEST_F(PlayQueueTest, LineWithoutFeelTakesThePreviousLinesFeel) {
    WriteList(0, {Entry("A", "0"), "B\t/midi/B.mid\t+4"});
    Build(0, RND);  // draws all 0: the pool is taken in order, M copies last
    EXPECT_EQ(model.PlayQueue,
              (Lines{Entry("A", "0"), "B\t/midi/B.mid\t+4", Entry("A", "1"), Entry("B", "1")}));
    EXPECT_EQ(model.SongLines, (Lines{"L +0 A", "L +0 B", "M +0 A", "M +0 B"}));
}

TEST_F(PlayQueueTest, FirstLineWithoutFeelEndsTheBuildWithTheMessage) {
    WriteList(0, {"B\t/midi/B.mid\t+4", Entry("A", "1")});
    model.SongLines = {"earlier"};
    model.play.LoadedList = 1;
    for (const OrderMode order : {NOR, NEW, RND}) {
        messages.shown.clear();
        Build(0, order);
        EXPECT_EQ(messages.shown, (Lines{kFailure})) << order;
        EXPECT_TRUE(model.PlayQueue.empty());
        EXPECT_EQ(model.SongLines, (Lines{"earlier"}));
        EXPECT_EQ(model.play.LoadedList, 1);
    }
}

TEST_F(PlayQueueTest, FeelThatIsNoNumberKeepsWhatWasQueued) {
    WriteList(0, {Entry("B", "1"), Entry("A", "1"), Entry("X", "L"), Entry("C", "1")});
    Build(0, NOR);
    EXPECT_EQ(messages.shown, (Lines{kFailure}));
    EXPECT_EQ(model.PlayQueue, (Lines{Entry("B", "1"), Entry("A", "1")}));
    EXPECT_TRUE(model.SongLines.empty());
}

TEST_F(PlayQueueTest, AbnormalLinesTakePart) {
    WriteList(0, {std::string("Ctrl\x01") + "\t/c.mid\t+0\t1\tfifth", "No Feel\t/n.mid"});
    Build(0, NOR);  // the line without Feel inherits it from the line before
    EXPECT_EQ(model.PlayQueue,
              (Lines{std::string("Ctrl\x01") + "\t/c.mid\t+0\t1\tfifth", "No Feel\t/n.mid"}));
    EXPECT_TRUE(messages.shown.empty());
}

// A line of no bytes, or of blanks alone (half-width, full-width, TAB), names no song: in no order
// does it become an entry that plays as a song without a file. The lines around it play as usual.
TEST_F(PlayQueueTest, BlankLinesAreNeverQueued) {
    const std::string fullWidthSpace = "\x81\x40";
    for (const std::string& blank : {std::string(), std::string("  "), fullWidthSpace, std::string("\t")}) {
        WriteList(0, {Entry("Song one", "1"), blank, Entry("Song two", "1")});
        for (const OrderMode order : {NOR, NEW, RND}) {
            messages.shown.clear();
            Build(0, order);  // the draws all 0: the pool is taken in order
            EXPECT_EQ(model.PlayQueue, (Lines{Entry("Song one", "1"), Entry("Song two", "1")})) << order;
            EXPECT_EQ(model.SongLines, (Lines{"M +0 Song one", "M +0 Song two"})) << order;
            EXPECT_TRUE(messages.shown.empty()) << order;
            EXPECT_EQ(model.play.LoadedList, 0);
        }
    }
    // As the first line it takes no part either: the line after it is the first split.
    WriteList(0, {"", Entry("Only", "0")});
    Build(0, RND);
    EXPECT_EQ(model.PlayQueue, (Lines{Entry("Only", "0"), Entry("Only", "1")}));
    EXPECT_TRUE(messages.shown.empty());
    // Both lists, and list 0 alone when list 1 is missing, leave them out too.
    WriteList(1, {" ", Entry("One", "1")});
    WriteList(0, {Entry("Zero", "1"), ""});
    Build(2, NOR);
    EXPECT_EQ(model.PlayQueue, (Lines{Entry("One", "1"), Entry("Zero", "1")}));
    std::filesystem::remove(dir.Path() / "one/KORVA.DT1");
    Build(2, NOR);
    EXPECT_EQ(model.PlayQueue, (Lines{Entry("Zero", "1")}));
}

TEST_F(PlayQueueTest, ByteOrderMarkIsNoPartOfTheFirstTitle) {
    dir.Write("KORVA.DT0", "\xEF\xBB\xBF" + Entry("First", "1") + "\r\n" + Entry("Second", "1") + "\r\n");
    for (const OrderMode order : {NOR, NEW, RND}) {
        Build(0, order);
        EXPECT_EQ(model.SongLines, (Lines{"M +0 First", "M +0 Second"})) << order;
    }
}

// A list that is a FIFO ends the build as a list that cannot be read does, and is named.
TEST_F(PlayQueueTest, FifoListEndsTheBuildNamingWhatItIs) {
    const std::string fifo = dir.Folder() + "KORVA.DT0";
    ASSERT_TRUE(testing::MakeFifo(fifo));
    EXPECT_TRUE(testing::EndsWithoutWaitingOn({fifo}, [&] { Build(0, NOR); }));
    EXPECT_EQ(messages.shown, (Lines{kFailure + "\n" + Sjis("ファイル ") + fifo +
                                     Sjis(" を読み込めません（名前付きパイプです）")}));
    EXPECT_TRUE(model.PlayQueue.empty());
}

TEST_F(PlayQueueTest, QueueAndSongLinesOutliveTheListsNextLoad) {
    // The queue points into the text read for it; loading the list again for the settings window,
    // or rewriting its file, must leave what plays as it was.
    for (const OrderMode order : {NOR, NEW, RND}) {
        WriteList(0, {Entry("!1 Mark", "1"), Entry("Loved", "0", "+5"), "Bare\t/midi/bare.mid"});
        Build(0, order);
        const Lines queue = model.PlayQueue.ToStrings();
        const Lines songs = model.SongLines.ToStrings();
        ASSERT_EQ(songs.size(), queue.size());
        WriteList(0, {Entry("Other", "1")});
        LoadPlaylist(model, 0, messages);
        model.ScratchList.clear();
        EXPECT_EQ(model.EditBuffer, (Lines{Entry("Other", "1")}));
        EXPECT_EQ(model.PlayQueue, queue) << static_cast<int>(order);
        EXPECT_EQ(model.SongLines, songs) << static_cast<int>(order);
        for (std::size_t i = 0; i < queue.size(); ++i) EXPECT_TRUE(model.PlayQueue.HoldsText(model.PlayQueue[i]));
        // The song lines keep titles as views into the queue's text: the queue going away must
        // leave them as they were.
        model.PlayQueue.clear();
        EXPECT_EQ(model.SongLines, songs) << static_cast<int>(order);
    }
}

TEST_F(PlayQueueTest, SongLinesShowVolAndNameAsWrittenInEveryMode) {
    // Song lines of the usual form are made from what the first split found; a Vol of another
    // form and a very long name take the longer way. Both must read as the line has them.
    const std::string longName(70000, 'n');
    WriteList(0, {Entry("!2 Marked", "0", "-0"), Entry("Odd", "1", "+03"), Entry("Bare", "2", "7"),
                  Entry(longName, "1", "+5"), Entry("Plain", "1", "-5")});
    Build(0, NOR);
    Lines sorted = model.SongLines.ToStrings();
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (Lines{"L -0 Marked", "M +03 Odd", "M +5 " + longName, "M -5 Plain", "S 7 Bare"}));
    random.draws = {0, 0, 0, 0, 0, 0, 0};  // always the first line left; S lines go in
    Build(0, RND);
    EXPECT_EQ(model.SongLines, (Lines{"L -0 !2 Marked", "M +03 Odd", "S 7 Bare", "M +5 " + longName,
                                      "M -5 Plain", "M -0 !2 Marked"}));
    Build(0, NEW);
    ASSERT_FALSE(model.SongLines.empty());
    EXPECT_EQ(model.SongLines[0], "L -0 !2 Marked");
    EXPECT_EQ(model.SongLines.size(), model.PlayQueue.size());
}

TEST_F(PlayQueueTest, BothListsPoolListOneBeforeListZero) {
    WriteList(0, {Entry("Zero", "1")});
    WriteList(1, {Entry("One", "1"), Entry("Two", "1")});
    Build(2, RND);
    EXPECT_EQ(model.PlayQueue, (Lines{Entry("One", "1"), Entry("Two", "1"), Entry("Zero", "1")}));
    EXPECT_EQ(model.play.LoadedList, 2);
}

TEST_F(PlayQueueTest, BothListsWithListOneMissingHoldListZeroUnfiltered) {
    const Lines zero{Entry("Rest", "3"), "not an entry", Entry("Beta", "1"), Entry("Alpha", "0")};
    WriteList(0, zero);
    Build(2, NOR);
    EXPECT_EQ(messages.shown, (Lines{kFailure}));
    EXPECT_EQ(model.PlayQueue, zero);
    EXPECT_EQ(model.play.LoadedList, 0);
}

TEST_F(PlayQueueTest, MissingPlaylistShowsTheMessage) {
    Build(1, NOR);
    EXPECT_EQ(status.shown.size(), 1u);
    EXPECT_EQ(messages.shown, (Lines{kFailure}));
    EXPECT_TRUE(model.PlayQueue.empty());
}

TEST_F(PlayQueueTest, EmptyPlaylistIsQuietInNorOnly) {
    WriteList(0, {});
    Build(0, NOR);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(model.PlayQueue.empty());
    for (const OrderMode order : {NEW, RND}) {
        messages.shown.clear();
        Build(0, order);
        EXPECT_EQ(messages.shown, (Lines{kFailure})) << order;
        EXPECT_TRUE(model.PlayQueue.empty());
    }
}

TEST_F(PlayQueueTest, SuccessfulBuildRecordsTheList) {
    WriteList(1, {Entry("One", "1")});
    Build(1, NOR);
    EXPECT_EQ(model.play.LoadedList, 1);
    EXPECT_EQ(model.SongLines, (Lines{"M +0 One"}));
}

TEST_F(PlayQueueTest, DrawsFollowTheGeneratorOverTheShrinkingPool) {
    WriteList(0, {Entry("A", "1"), Entry("B", "0"), Entry("C", "1")});
    random.draws = {1, 2, 0, 0};  // B (its M copy goes last), then the M copy, then A, then C
    Build(0, RND);
    EXPECT_EQ(model.PlayQueue, (Lines{Entry("B", "0"), Entry("B", "1"), Entry("A", "1"), Entry("C", "1")}));
    EXPECT_EQ(random.bounds, (std::vector<int>{3, 3, 2, 1}));
}

TEST_F(PlayQueueTest, AboutHalfOfTheSometimesEntriesArePlayed) {
    Lines lines;
    for (int i = 0; i < 10000; ++i) lines.push_back(Entry(std::to_string(i) + "S", "2"));
    WriteList(0, lines);
    SeededRandom seeded(20260101);
    ReadyToBuild(RND);
    PrepareListQueue(model, 0, {status, messages, seeded});
    EXPECT_GE(model.PlayQueue.size(), 4700u);
    EXPECT_LE(model.PlayQueue.size(), 5300u);
}

TEST_F(PlayQueueTest, RandomOrderPutsEveryEntryFirstEquallyOften) {
    constexpr int kEntries = 10;
    Lines lines;
    for (int i = 0; i < kEntries; ++i) lines.push_back(Entry(std::to_string(i) + "E", "1"));
    WriteList(0, lines);
    SeededRandom seeded(7);
    std::vector<int> first(kEntries, 0);
    for (int build = 0; build < 10000; ++build) {
        ReadyToBuild(RND);
        PrepareListQueue(model, 0, {status, messages, seeded});
        ASSERT_EQ(model.PlayQueue.size(), static_cast<std::size_t>(kEntries));
        ++first[std::stoi(std::string(model.PlayQueue[0]))];
    }
    for (int i = 0; i < kEntries; ++i) {
        EXPECT_GT(first[i], 850) << "entry " << i;  // expected 1000, standard deviation 30
        EXPECT_LT(first[i], 1150) << "entry " << i;
    }
}

// The draws written out plainly, for comparing with the build: the pool a vector taken apart by
// erasing, every drawn line split on from the one drawn before, each M copy made as it is drawn,
// and the song lines made in queue order by splitting on from the fields the draws left.
struct PlainBuild {
    Lines queue;
    Lines songLines;
    bool ok = true;
};

PlainBuild PlainDraws(Lines pool, bool newMode, RandomSource& random) {
    PlainBuild build;
    PlaylistEntry fields;
    auto feelOf = [&fields](const std::string& line) {
        SplitEntry(line, fields);
        return ToIntStrict(fields.Feel);
    };
    std::vector<std::string> marked;
    if (newMode) {
        for (const std::string& line : pool) {
            const auto feel = feelOf(line);
            if (!feel)
                return {{}, {}, false};
            if ((*feel == 0 || *feel == 1 || *feel == 2) && BeginsWithNewMark(line))
                marked.push_back(line);
        }
        SortTitles(marked);
    }
    build.queue = marked;
    while (!pool.empty()) {
        const auto index = static_cast<std::size_t>(random.Below(static_cast<int>(pool.size())));
        const std::string line = pool[index];
        pool.erase(pool.begin() + static_cast<std::ptrdiff_t>(index));
        if (newMode && BeginsWithNewMark(line))
            continue;
        const auto feel = feelOf(line);
        if (!feel) {
            build.ok = false;
            break;
        }
        if (*feel == 0) {
            build.queue.push_back(line);
            pool.push_back(fields.Name + "\t" + fields.Path + "\t" + fields.Vol + "\t1");
        } else if (*feel == 1 || (*feel == 2 && random.Below(10) < 5)) {
            build.queue.push_back(line);
        }
    }
    if (!build.ok)
        return build;
    for (const std::string& line : build.queue) {
        SplitEntry(line, fields);
        build.songLines.push_back(SongLineOf(*ToIntStrict(fields.Feel), fields.Vol, fields.Name));
    }
    return build;
}

TEST_F(PlayQueueTest, DrawnQueuesAndSongLinesMatchThePlainDraws) {
    // Lines of every kind the draws tell apart: marked ones, each preference, lines that lack
    // fields and take them from the line drawn before, odd Vol texts and an extra field.
    SeededRandom maker(4242);
    auto pick = [&maker](const auto& from) { return from[static_cast<std::size_t>(maker.Below(static_cast<int>(from.size())))]; };
    Lines lines{Entry("First", "1")};
    const Lines feels{"0", "1", "1", "1", "2", "2", "3", "-1", "7", ""};
    const Lines vols{"+0", "-5", "+5", "+03", "-0", "7"};
    for (int i = 0; i < 1200; ++i) {
        const std::string mark = maker.Below(8) == 0 ? std::string(pick(kNewMarks)) : "";
        const std::string name = mark + "Song" + std::to_string(maker.Below(500));
        const std::string vol = pick(vols);
        switch (maker.Below(12)) {
            case 0:
                lines.push_back(name + "\t/midi/" + name + ".mid");  // Vol "+0", Feel carried
                break;
            case 1:
                lines.push_back(name);  // every field carried
                break;
            case 2:
                lines.push_back(name + "\t/midi/x.mid\t" + vol + "\t0\textra");
                break;
            default:
                lines.push_back(Entry(name, pick(feels), vol));
        }
    }
    WriteList(0, lines);
    // A draw that takes a line lacking fields before any full line ends the build, in both.
    for (const OrderMode order : {RND, NEW}) {
        int built = 0;
        for (unsigned seed = 1; seed <= 6; ++seed) {
            SeededRandom plainRandom(seed);
            const PlainBuild plain = PlainDraws(lines, order == NEW, plainRandom);
            SeededRandom seeded(seed);
            ReadyToBuild(order);
            messages.shown.clear();
            PrepareListQueue(model, 0, {status, messages, seeded});
            if (!plain.ok) {
                EXPECT_EQ(messages.shown, (Lines{kFailure})) << order << " seed " << seed;
                continue;
            }
            ++built;
            ASSERT_TRUE(messages.shown.empty()) << order << " seed " << seed;
            EXPECT_EQ(model.PlayQueue, plain.queue) << order << " seed " << seed;
            EXPECT_EQ(model.SongLines, plain.songLines) << order << " seed " << seed;
        }
        EXPECT_GE(built, 3) << order;
    }
}

class CurrentBandListTest : public ::testing::Test {
  protected:
    CurrentBandListTest() { settings.PROGRM = {10, 11, 12, 13, 14, 15}; }

    std::vector<int> ListsOverTheDay(const std::string& timband) {
        settings.TIMBAND = timband;
        std::vector<int> lists;
        for (clock.now.hour = 0; clock.now.hour < 24; ++clock.now.hour)
            lists.push_back(CurrentBandList(settings, clock));
        return lists;
    }

    Settings settings;
    FakeClock clock;
};

TEST_F(CurrentBandListTest, DefaultBands) {
    const std::vector<int> expected{15, 15, 15, 15, 15, 15, 10, 10, 10, 11, 11, 11,
                                    12, 13, 13, 13, 13, 14, 14, 14, 14, 14, 15, 15};
    EXPECT_EQ(ListsOverTheDay("060912131722"), expected);
}

TEST_F(CurrentBandListTest, LastBandStartingAtMidnightCoversTheDay) {
    EXPECT_EQ(ListsOverTheDay("060912131700"), std::vector<int>(24, 15));
}

TEST_F(CurrentBandListTest, FirstBandStartingAtMidnightEndsAtTheDaysEnd) {
    std::vector<int> expected;
    for (const int list : {10, 11, 12, 13}) expected.insert(expected.end(), 6, list);
    EXPECT_EQ(ListsOverTheDay("000612182424"), expected);
}

TEST_F(CurrentBandListTest, TimbandOfOtherLengthPlaysListZero) {
    EXPECT_EQ(ListsOverTheDay("0609121317"), std::vector<int>(24, 0));
    EXPECT_EQ(ListsOverTheDay("06091213172200"), std::vector<int>(24, 0));
}

class FolderQueueTest : public PlayQueueTest {
  protected:
    FolderQueueTest() {
        std::filesystem::create_directory(dir.Path() / "songs");
        for (const char* name : {"b.MID", "A.mid", "c.Mid", "notes.txt", "d.MID.bak"}) {
            dir.Write(std::string("songs/") + name, "MThd");
        }
        songs = dir.Folder() + "songs/";
    }

    void BuildFromFolder(OrderMode order) {
        ReadyToBuild(order);
        PrepareFolderQueue(model, dialog, ports);
    }

    std::string songs;
    ScriptedFolderDialog dialog;
};

TEST_F(FolderQueueTest, CancelledDialogStopsThePlay) {
    model.SongLines = {"earlier"};
    BuildFromFolder(NOR);
    EXPECT_EQ(status.shown, (decltype(status.shown){{Sjis(".. 再生を中止しました"), StatusKind::Notice}}));
    EXPECT_EQ(dialog.starts, (Lines{""}));
    EXPECT_TRUE(model.PlayQueue.empty());
    EXPECT_EQ(model.SongLines, (Lines{"earlier"}));
}

TEST_F(FolderQueueTest, FolderWithoutMidiFilesSaysSo) {
    std::filesystem::create_directory(dir.Path() / "empty");
    dir.Write("empty/readme.txt", "text");
    dialog.answer = dir.Folder() + "empty";
    BuildFromFolder(RND);
    EXPECT_EQ(status.shown,
              (decltype(status.shown){{kPreparing, StatusKind::Notice},
                                      {Sjis(".. ファイルが選択されてない"), StatusKind::Notice}}));
    EXPECT_TRUE(model.PlayQueue.empty());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(FolderQueueTest, NorAndNewSortByPath) {
    dialog.answer = dir.Folder() + "songs";  // no trailing delimiter: one is added
    const Lines expected{songs + "A.mid", songs + "b.MID", songs + "c.Mid"};
    for (const OrderMode order : {NOR, NEW}) {
        BuildFromFolder(order);
        EXPECT_EQ(model.PlayQueue, expected) << order;
        EXPECT_EQ(model.SongLines, (Lines{"001 " + expected[0], "002 " + expected[1], "003 " + expected[2]}));
        EXPECT_EQ(model.ScratchList.size(), 3u);
    }
    EXPECT_EQ(status.shown.back(), (testing::StatusEntry{kPreparing, StatusKind::Notice}));
    EXPECT_TRUE(random.bounds.empty());
}

TEST_F(FolderQueueTest, RndDrawsEveryFileOnce) {
    dialog.answer = songs;
    random.draws = {2, 0, 0};
    BuildFromFolder(RND);
    EXPECT_EQ(random.bounds, (std::vector<int>{3, 2, 1}));
    Lines sorted = model.PlayQueue.ToStrings();
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (Lines{songs + "A.mid", songs + "b.MID", songs + "c.Mid"}));
    EXPECT_EQ(model.SongLines[0], "001 " + std::string(model.PlayQueue[0]));
    EXPECT_TRUE(model.ScratchList.empty());
}

TEST_F(FolderQueueTest, FileNameShiftJisCannotHoldIsLeftOutAndNamed) {
    dir.Write("songs/caf\xC3\xA9.mid", "MThd");
    dialog.answer = songs;
    BuildFromFolder(NOR);
    EXPECT_EQ(model.PlayQueue.size(), 3u);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(ToDisplayUtf8(messages.shown[0]).find(ToDisplayUtf8(songs) + "caf\xC3\xA9.mid"), std::string::npos)
        << ToDisplayUtf8(messages.shown[0]);
}

TEST_F(FolderQueueTest, ItemNumbersGrowPastThreeDigits) {
    std::filesystem::create_directory(dir.Path() / "many");
    for (int i = 0; i < 1000; ++i) dir.Write("many/" + std::to_string(10000 + i) + ".mid", "MThd");
    dialog.answer = dir.Folder() + "many/";
    BuildFromFolder(NOR);
    ASSERT_EQ(model.SongLines.size(), 1000u);
    EXPECT_EQ(model.SongLines[0].substr(0, 4), "001 ");
    EXPECT_EQ(model.SongLines[999].substr(0, 5), "1000 ");
}

}  // namespace
}  // namespace korva
