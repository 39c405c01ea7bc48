#include "windows/SongWindow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace korva {
namespace {

// Records the order of what the window asks of the player.
class RecordingPlayer final : public PlayerCommands {
  public:
    explicit RecordingPlayer(const PlayState& play) : play_(play) {}
    void Play() override { calls.push_back("Play"); }
    void Pause() override { calls.push_back("Pause"); }
    void Stop() override { calls.push_back("Stop"); }
    void PlayEasyEntry() override { calls.push_back("PlayEasyEntry"); }
    bool DevicePlaying() const override { return true; }
    bool DeviceIdle() const override { return false; }
    void StopDevice() override { calls.push_back("StopDevice@" + std::to_string(play_.QueuePosition)); }
    void ReplayIfPlaying() override {}
    std::int64_t SongPositionMicroseconds() const override { return 0; }
    std::vector<std::string> calls;

  private:
    const PlayState& play_;
};

struct SelectCase {
    const char* label;
    int position;
    bool paused;
    bool resetPending;
    int selected;
    bool quick;
    bool acts;  // SELECT: whether it acted; QUICK: whether the window closes
    int positionAfter;
    std::vector<std::string> calls;
};

class SelectQueueEntryTest : public ::testing::TestWithParam<SelectCase> {};

TEST_P(SelectQueueEntryTest, LeavesThePositionOneBeforeTheChoiceAndStops) {
    const SelectCase& c = GetParam();
    PlayState play;
    play.QueuePosition = c.position;
    play.PauseFlag = c.paused;
    play.ResetPending = c.resetPending;
    RecordingPlayer player(play);
    const bool acted = c.quick ? QuickSelectQueueEntry(play, c.selected, player)
                               : SelectQueueEntry(play, c.selected, player);
    EXPECT_EQ(acted, c.acts);
    EXPECT_EQ(play.QueuePosition, c.positionAfter);
    EXPECT_EQ(player.calls, c.calls);
    if (acted && c.selected != c.position) {
        EXPECT_FALSE(play.ResetPending);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Selections, SelectQueueEntryTest,
    ::testing::Values(
        SelectCase{"FifthLineWhileSecondPlays", 1, false, false, 4, false, true, 3, {"StopDevice@3"}},
        SelectCase{"FirstLine", 3, false, false, 0, false, true, -1, {"StopDevice@-1"}},
        SelectCase{"NothingSelected", 1, false, false, -1, false, false, 1, {}},
        SelectCase{
            "PausedSongIsResumedBeforeTheStop", 1, true, false, 4, false, true, 3, {"Pause", "StopDevice@3"}},
        SelectCase{"ResetFileIsGivenUp", 1, false, true, 4, false, true, 3, {"StopDevice@3"}},
        SelectCase{"QuickOnAnotherLine", 1, false, false, 4, true, true, 3, {"StopDevice@3"}},
        SelectCase{"QuickOnTheCurrentLineOnlyCloses", 1, false, false, 1, true, true, 1, {}},
        SelectCase{"QuickWithNothingSelected", 1, false, false, -1, true, false, 1, {}}),
    [](const auto& testCase) { return std::string(testCase.param.label); });

TEST(SongWindowTest, CompanionDocumentOnlyForAnEntryAtThePosition) {
    AppModel model;
    model.PlayQueue = {"/m/a.mid", "Song\t/m/v1.2/b.mid\t+0\t1"};
    const std::vector<std::pair<int, std::optional<std::string>>> cases = {
        {0, "/m/a.TXT"}, {1, "/m/v1.TXT"}, {-1, std::nullopt}, {2, std::nullopt}};
    for (const auto& [position, expected] : cases) {
        model.play.QueuePosition = position;
        EXPECT_EQ(CurrentCompanionDocument(model, DocumentKind::Txt), expected) << position;
    }
    model.PlayQueue.clear();
    model.play.QueuePosition = 0;
    EXPECT_EQ(CurrentCompanionDocument(model, DocumentKind::Doc), std::nullopt);
}

TEST(SongWindowTest, AutoCloseIntervalFollowsAutoclsAndClstime) {
    struct Case {
        bool autocls;
        int clstime;
        std::optional<int> interval;
    };
    for (const Case& c :
         {Case{false, 30, std::nullopt}, Case{true, 30, 30000}, Case{true, 255, 255000}, Case{true, 0, 0}}) {
        Settings settings;
        settings.AUTOCLS = c.autocls;
        settings.CLSTIME = static_cast<std::uint8_t>(c.clstime);
        EXPECT_EQ(AutoCloseIntervalOnShow(settings), c.interval) << c.autocls << " " << c.clstime;
    }
}

TEST(SongWindowTest, BoundsAreRememberedOnlyWithBothPositions) {
    struct Case {
        int left;
        int top;
        bool remembered;
    };
    for (const Case& c : {Case{-999, 10, false}, Case{10, -999, false}, Case{-999, -999, false},
                          Case{0, 0, true}, Case{-1200, -20, true}}) {
        Settings settings;
        settings.VIWHPOS = c.left;
        settings.VIWVPOS = c.top;
        settings.VIWSIZE = 400;
        settings.VIWHIGH = 300;
        const auto bounds = RememberedSongWindowBounds(settings);
        ASSERT_EQ(bounds.has_value(), c.remembered) << c.left << "," << c.top;
        if (bounds) {
            EXPECT_EQ(*bounds, (WindowBounds{c.left, c.top, 400, 300}));
        }
    }
}

}  // namespace
}  // namespace korva
