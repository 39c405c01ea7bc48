#include "playback/DroppedFiles.h"

#include <gtest/gtest.h>

#include <deque>

#include "text/Encoding.h"

namespace korva {
namespace {

// Draws the scripted numbers in turn.
class ScriptedRandom final : public RandomSource {
  public:
    explicit ScriptedRandom(std::deque<int> draws) : draws_(std::move(draws)) {}
    int Below(int n) override {
        const int d = draws_.empty() ? 0 : draws_.front();
        if (!draws_.empty())
            draws_.pop_front();
        EXPECT_LT(d, n);
        lastBounds.push_back(n);
        return d;
    }
    std::vector<int> lastBounds;

  private:
    std::deque<int> draws_;
};

class RecordingPlayer final : public PlayerCommands {
  public:
    explicit RecordingPlayer(AppModel& model) : model_(model) {}
    void Play() override { calls.push_back("Play"); }
    void Pause() override { calls.push_back("Pause"); }
    // Stop restores a list mode saved by an earlier drop, as the player's stop does.
    void Stop() override {
        calls.push_back("Stop");
        if (model_.play.SavedListMode >= 0) {
            model_.settings.PLAYMOD = static_cast<std::uint8_t>(model_.play.SavedListMode);
            model_.play.SavedListMode = -1;
        }
    }
    void PlayEasyEntry() override {
        calls.push_back("PlayEasyEntry@" + std::to_string(model_.play.QueuePosition));
        resetPendingAtStart = model_.play.ResetPending;
    }
    bool DevicePlaying() const override { return false; }
    bool DeviceIdle() const override { return true; }
    void StopDevice() override { calls.push_back("StopDevice"); }
    void ReplayIfPlaying() override {}

    std::vector<std::string> calls;
    bool resetPendingAtStart = true;

  private:
    AppModel& model_;
};

class RecordingMessages final : public MessageView {
  public:
    void ShowMessage(const std::string& sjisText) override { shown.push_back(sjisText); }
    std::vector<std::string> shown;
};

class RecordingSongWindow final : public SongWindowView {
  public:
    explicit RecordingSongWindow(const AppModel& model) : model_(model) {}
    void SongLinesChanged() override { linesSeen = model_.SongLines; }
    void ShowSongWindow() override { shown = true; }
    std::vector<std::string> linesSeen;
    bool shown = false;

  private:
    const AppModel& model_;
};

TEST(DroppedFilesTest, EachRuleMetAddsTheNameOnce) {
    const struct {
        const char* name;
        bool sng, cvs, mm2;
        int count;
    } cases[] = {
        {"/m/a.mid", false, false, false, 1}, {"/m/a.MID", true, true, true, 1},
        {"/m/b.RCP", false, false, false, 0}, {"/m/b.RCP", false, true, false, 1},
        {"/m/b.rcp", false, true, false, 1},  {"/m/c.R", false, true, false, 1},
        {"/m/c.R", false, false, true, 0},    {"/m/d.sng", true, false, false, 1},
        {"/m/d.sng", false, true, true, 0},   {"/m/e.seq", false, false, true, 1},
        {"/m/f.M", false, true, true, 2},     {"/m/g.", false, true, true, 2},
        {"/m/noext", true, true, true, 0},    {"/m.d/noext", true, true, true, 0},
        {"/m/h.MIDI", true, true, true, 0},   {"/m/i.RCP.MCP", false, true, false, 1},
        {"/m/j.CP.", false, true, false, 1},  {"/m/k.txt", true, true, true, 0},
    };
    for (const auto& c : cases) {
        Settings settings;
        settings.USESNG2 = c.sng;
        settings.USECVS2 = c.cvs;
        settings.USEMM2S = c.mm2;
        EXPECT_EQ(AcceptanceCount(c.name, settings), c.count) << c.name << c.sng << c.cvs << c.mm2;
    }
}

TEST(DroppedFilesTest, ExtensionIsFoundDoubleByteAware) {
    // "ソ" ends in the byte of a backslash and "表" too; the folder name holds a dot.
    Settings settings;
    EXPECT_EQ(AcceptanceCount(Sjis("/曲.集/ソ表.mid"), settings), 1);
    EXPECT_EQ(AcceptanceCount(Sjis("/曲.mid/ソ表"), settings), 0);
}

TEST(DroppedFilesTest, DropInNormalOrderIsSortedWithoutRegardToCase) {
    ScriptedRandom random({});
    const auto queue = EasyQueue({"/x/c.mid", "/x/B.mid", "/x/a.mid"}, DropSource::Drop, NOR, random);
    EXPECT_EQ(queue, (std::vector<std::string>{"/x/a.mid", "/x/B.mid", "/x/c.mid"}));
    EXPECT_EQ(EasyQueue({"/x/c.mid", "/x/B.mid"}, DropSource::Drop, NEW, random),
              (std::vector<std::string>{"/x/B.mid", "/x/c.mid"}));
    EXPECT_TRUE(random.lastBounds.empty());
}

TEST(DroppedFilesTest, DropInRandomOrderDrawsAmongTheRemainingNames) {
    ScriptedRandom random({2, 0, 0});
    const auto queue = EasyQueue({"a", "b", "c"}, DropSource::Drop, RND, random);
    EXPECT_EQ(queue, (std::vector<std::string>{"c", "a", "b"}));
    EXPECT_EQ(random.lastBounds, (std::vector<int>{3, 2, 1}));
}

TEST(DroppedFilesTest, ChosenFileKeepsItsOrderInEveryOrderMode) {
    ScriptedRandom random({1});
    EXPECT_EQ(EasyQueue({"b", "a"}, DropSource::FileChoice, RND, random),
              (std::vector<std::string>{"b", "a"}));
    EXPECT_TRUE(random.lastBounds.empty());
}

TEST(DroppedFilesTest, SongLinesAreNumberedFromOneWithThreeDigits) {
    std::vector<std::string> queue;
    for (int i = 0; i < 1000; ++i) queue.push_back("f" + std::to_string(i));
    const auto lines = NumberedSongLines(queue);
    EXPECT_EQ(lines[0], "001 f0");
    EXPECT_EQ(lines[9], "010 f9");
    EXPECT_EQ(lines[998], "999 f998");
    EXPECT_EQ(lines[999], "1000 f999");
}

struct DropFixture : ::testing::Test {
    AppModel model;
    ScriptedRandom random{{}};
    RecordingPlayer player{model};
    RecordingMessages messages;
    RecordingSongWindow songWindow{model};
    DropPorts ports{player, messages, random, songWindow};
};

TEST_F(DropFixture, NothingPlayableShowsTheRefusalAndChangesNothing) {
    model.settings.PLAYMOD = LIST1;
    model.PlayQueue = {"queued"};
    EXPECT_FALSE(PlayDroppedFiles(model, {"/a.txt", "/b.RCP"}, DropSource::Drop, ports));
    EXPECT_FALSE(PlayDroppedFiles(model, {"/c.doc"}, DropSource::FileChoice, ports));
    EXPECT_EQ(messages.shown, (std::vector<std::string>{
                                  Sjis("ドラッグ＆ドロップされたファイルはＫＯＲＶＡ９７の再生対象外です"),
                                  Sjis("選択されたファイルはＫＯＲＶＡ９７の再生対象外です")}));
    EXPECT_EQ(model.PlayQueue, std::vector<std::string>{"queued"});
    EXPECT_EQ(model.settings.PLAYMOD, LIST1);
    EXPECT_EQ(model.play.SavedListMode, -1);
    EXPECT_TRUE(player.calls.empty());
    EXPECT_FALSE(songWindow.shown);
}

TEST_F(DropFixture, DropStopsSwitchesToEasyAndStartsAtTheFirstEntry) {
    model.settings.PLAYMOD = LIST0;
    model.settings.USECVS2 = false;
    model.play.QueuePosition = 7;
    model.play.ResetPending = true;
    ASSERT_TRUE(PlayDroppedFiles(model, {"/m/b.RCP", "/m/z.mid", "/m/a.MID"}, DropSource::Drop, ports));
    EXPECT_EQ(player.calls, (std::vector<std::string>{"Stop", "PlayEasyEntry@0"}));
    EXPECT_FALSE(player.resetPendingAtStart);
    EXPECT_EQ(model.settings.PLAYMOD, EASY);
    EXPECT_EQ(model.play.SavedListMode, LIST0);
    EXPECT_EQ(model.PlayQueue, (std::vector<std::string>{"/m/a.MID", "/m/z.mid"}));
    EXPECT_EQ(songWindow.linesSeen, (std::vector<std::string>{"001 /m/a.MID", "002 /m/z.mid"}));
    EXPECT_TRUE(songWindow.shown);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(DropFixture, SecondDropDuringEasyPlayKeepsTheModeFromBeforeTheFirst) {
    model.settings.PLAYMOD = PROG;
    ASSERT_TRUE(PlayDroppedFiles(model, {"/a.mid"}, DropSource::Drop, ports));
    ASSERT_TRUE(PlayDroppedFiles(model, {"/b.mid"}, DropSource::Drop, ports));
    EXPECT_EQ(model.play.SavedListMode, PROG);
    EXPECT_EQ(model.settings.PLAYMOD, EASY);
    EXPECT_EQ(model.PlayQueue, std::vector<std::string>{"/b.mid"});
}

TEST_F(DropFixture, RandomDropEmptiesTheScratchListSortedDropKeepsIt) {
    model.settings.RNDMODE = RND;
    ASSERT_TRUE(PlayDroppedFiles(model, {"/a.mid", "/b.mid"}, DropSource::Drop, ports));
    EXPECT_TRUE(model.ScratchList.empty());
    model.settings.RNDMODE = NOR;
    ASSERT_TRUE(PlayDroppedFiles(model, {"/b.mid", "/a.mid"}, DropSource::Drop, ports));
    EXPECT_EQ(model.ScratchList, (std::vector<std::string>{"/b.mid", "/a.mid"}));
}

}  // namespace
}  // namespace korva
