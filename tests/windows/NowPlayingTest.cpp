#include "windows/NowPlaying.h"

#include <gtest/gtest.h>

#include "support/JukeboxRig.h"
#include "support/SmfWriter.h"
#include "support/TempDir.h"
#include "text/Encoding.h"

namespace korva {
namespace {

using testing::TempDir;

// Two seconds at 120 beats a minute, then a tempo half as fast for one more beat: 3 s in all.
std::string TimedSong(std::string_view title) {
    testing::SmfWriter writer(1, 480);
    writer.AddTrack().TrackName(0, title).Tempo(0, 500000).Tempo(1920, 1000000).EndAt(1920 + 480);
    writer.AddTrack().Note(0, 960, 0, 60);
    return writer.Bytes();
}

TEST(NowPlayingTest, DroppedSongTakesItsTitleFromTheFileAndItsLengthFromItsTempo) {
    TempDir dir;
    testing::JukeboxRig rig(dir.Folder());
    rig.Model().settings.SENDRST = 0;
    rig.Connect();
    const std::string song = dir.Write("dropped.mid", TimedSong(Sjis("さくら")));
    ASSERT_TRUE(rig.jukebox.PlayDropped({song}, DropSource::Drop));
    const NowPlaying now = CurrentSong(rig.Model(), rig.jukebox.Commands());
    EXPECT_EQ(now.status, PlaybackStatus::Playing);
    EXPECT_EQ(now.path, song);
    EXPECT_EQ(now.listTitle, "");
    EXPECT_FALSE(now.canGoNext || now.canGoPrevious);
    const SongFacts facts = ReadSongFacts(now.path, now.listTitle);
    EXPECT_EQ(facts.title, Sjis("さくら"));
    EXPECT_EQ(facts.lengthMicroseconds, 3'000'000);

    EXPECT_EQ(ReadSongFacts(song, "From the list").title, "From the list");
    const SongFacts missing = ReadSongFacts(dir.Folder() + "gone.mid", "");
    EXPECT_EQ(missing.title, "gone.mid");
    EXPECT_EQ(missing.lengthMicroseconds, 0);
}

// While the reset file plays, the song's position is 0; then it is where the device's sound is.
TEST(NowPlayingTest, PositionIsTheSongsAndNeverTheResetFiles) {
    TempDir dir;
    testing::JukeboxRig rig(dir.Folder());
    rig.Model().settings.SENDRST = 1;
    dir.Write("KORVA_GM.MID", "MThd reset");
    rig.Connect();
    const std::string song = dir.Write("song.mid", TimedSong("Song"));
    ASSERT_TRUE(rig.jukebox.PlayDropped({song}, DropSource::Drop));
    rig.device.positionMicroseconds = 1'500'000;
    ASSERT_EQ(rig.device.OpenFile(), dir.Folder() + "KORVA_GM.MID");
    EXPECT_EQ(CurrentSong(rig.Model(), rig.jukebox.Commands()).positionMicroseconds, 0);
    rig.device.FinishSong();
    rig.device.DeliverNotices();
    ASSERT_EQ(rig.device.OpenFile(), song);
    EXPECT_EQ(CurrentSong(rig.Model(), rig.jukebox.Commands()).positionMicroseconds, 1'500'000);
    rig.jukebox.Commands().Stop();
    EXPECT_EQ(CurrentSong(rig.Model(), rig.jukebox.Commands()).positionMicroseconds, 0);
}

}  // namespace
}  // namespace korva
