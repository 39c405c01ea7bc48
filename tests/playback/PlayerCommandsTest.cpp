#include "playback/PlayerCommands.h"

#include <gtest/gtest.h>

namespace korva {
namespace {

class ScriptedPlayer final : public PlayerCommands {
  public:
    void Play() override {}
    void Pause() override {}
    void Stop() override {}
    void PlayEasyEntry() override {}
    bool DevicePlaying() const override { return playing; }
    bool DeviceIdle() const override { return idle; }
    void StopDevice() override { ++deviceStops; }
    void ReplayIfPlaying() override {}

    bool playing = false;
    bool idle = true;
    int deviceStops = 0;
};

TEST(PlayerCommandsTest, BackAndNextActOnlyWhilePlayingAndInsideTheQueue) {
    const struct {
        bool playing;
        int position;
        bool backActs;
        bool nextActs;
    } cases[] = {
        {true, 0, false, true},
        {true, 1, true, true},
        {true, 2, true, false},
        {false, 1, false, false},
    };
    for (const auto& c : cases) {
        ScriptedPlayer player;
        player.playing = c.playing;
        PlayState play;
        play.QueuePosition = c.position;
        EXPECT_EQ(StepNext(play, 3, player), c.nextActs) << c.position;
        EXPECT_EQ(StepBack(play, player), c.backActs) << c.position;
        EXPECT_EQ(play.QueuePosition, c.backActs ? c.position - 2 : c.position);
        EXPECT_EQ(player.deviceStops, int(c.backActs) + int(c.nextActs));
    }
}

TEST(PlayerCommandsTest, ModeStepsOnlyWhileTheDeviceIsIdle) {
    ScriptedPlayer player;
    Settings settings;
    settings.PLAYMOD = LIST1;
    player.idle = false;
    EXPECT_FALSE(StepListMode(settings, true, player));
    EXPECT_EQ(settings.PLAYMOD, LIST1);
    player.idle = true;
    EXPECT_TRUE(StepListMode(settings, true, player));
    EXPECT_EQ(settings.PLAYMOD, LIST2);
}

}  // namespace
}  // namespace korva
