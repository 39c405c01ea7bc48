#include "jukebox/NowPlaying.h"

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

TEST(NowPlayingTest, ListSongIsDescribedByItsEntryAndNextAndBackFollowThePosition) {
    TempDir dir;
    testing::JukeboxRig rig(dir.Folder());
    AppModel& model = rig.Model();
    model.settings.PLAYMOD = LIST0;
    model.settings.RNDMODE = NOR;
    model.settings.SENDRST = 0;
    const std::string a = dir.Write("a.mid", TimedSong("In the file"));
    const std::string b = dir.Write("b.mid", TimedSong("B"));
    dir.Write("KORVA.DT0", Sjis("!2 春の歌") + "\t" + a + "\t+0\t1\r\nSecond\t" + b + "\t+0\t1\r\n");
    rig.Connect();
    EXPECT_EQ(CurrentSong(model, rig.jukebox.Commands()).status, PlaybackStatus::Stopped);

    rig.jukebox.Commands().Play();  // by title: "Second" before the Japanese title
    NowPlaying now = CurrentSong(model, rig.jukebox.Commands());
    EXPECT_EQ(now.status, PlaybackStatus::Playing);
    EXPECT_EQ(now.path, b);
    EXPECT_EQ(now.listTitle, "Second");
    EXPECT_TRUE(now.canGoNext);
    EXPECT_FALSE(now.canGoPrevious);

    rig.device.FinishAndDeliver();
    now = CurrentSong(model, rig.jukebox.Commands());
    EXPECT_EQ(now.path, a);
    EXPECT_EQ(now.listTitle, Sjis("春の歌"));  // the new-song mark is not part of the title
    EXPECT_EQ(now.queuePosition, 1);
    EXPECT_FALSE(now.canGoNext);
    EXPECT_TRUE(now.canGoPrevious);

    rig.jukebox.Commands().Pause();
    now = CurrentSong(model, rig.jukebox.Commands());
    EXPECT_EQ(now.status, PlaybackStatus::Paused);
    EXPECT_FALSE(now.canGoNext || now.canGoPrevious);  // the deck's Next and Back act only while playing
}

TEST(NowPlayingTest, DroppedSongTakesItsTitleFromTheFileAndItsLengthFromItsTempo) {
    TempDir dir;
    testing::JukeboxRig rig(dir.Folder());
    rig.Model().settings.SENDRST = 0;
    rig.Connect();
    const std::string song = dir.Write("dropped.mid", TimedSong(Sjis("さくら")));
    ASSERT_TRUE(rig.jukebox.PlayDropped({song}, DropSource::Drop));
    const NowPlaying now = CurrentSong(rig.Model(), rig.jukebox.Commands());
    EXPECT_EQ(now.path, song);
    EXPECT_EQ(now.listTitle, "");
    const SongFacts facts = ReadSongFacts(now.path, now.listTitle);
    EXPECT_EQ(facts.title, Sjis("さくら"));
    EXPECT_EQ(facts.lengthMicroseconds, 3'000'000);

    EXPECT_EQ(ReadSongFacts(song, "From the list").title, "From the list");
    const SongFacts missing = ReadSongFacts(dir.Folder() + "gone.mid", "");
    EXPECT_EQ(missing.title, "gone.mid");
    EXPECT_EQ(missing.lengthMicroseconds, 0);
}

}  // namespace
}  // namespace korva
