#include "app/SongLineList.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace korva {
namespace {

using Lines = std::vector<std::string>;

TEST(SongLineListTest, LinesOfPartsReadAsTheirTextAndOutliveTheQueue) {
    SongLineList songs;
    {
        // Titles in a queue's own text; the queue goes away before the lines are read.
        LineList queue{"Alpha\t/a.mid\t-5\t0", "ベータ\t/b.mid\t+5\t1"};
        songs.HoldBlocksOf(queue);
        songs.PushParts('L', 0, queue[0].substr(0, 5));
        songs.push_back("M +03 Odd");
        songs.PushParts('M', 10, queue[1].substr(0, queue[1].find('\t')));
        songs.PushParts('S', 5, queue[0].substr(0, 0));
    }
    EXPECT_EQ(songs, (Lines{"L -5 Alpha", "M +03 Odd", "M +5 ベータ", "S +0 "}));
    EXPECT_EQ(songs[2], "M +5 ベータ");
    std::string joined = "> ";
    songs.AppendTo(0, joined);
    EXPECT_EQ(joined, "> L -5 Alpha");

    // A copy keeps its lines when the first is changed or cleared.
    const SongLineList copy = songs;
    songs.Set(0, "001 /converted.mid");
    EXPECT_EQ(songs.front(), "001 /converted.mid");
    EXPECT_EQ(songs[1], "M +03 Odd");
    songs.clear();
    EXPECT_TRUE(songs.empty());
    EXPECT_EQ(copy.ToStrings(), (Lines{"L -5 Alpha", "M +03 Odd", "M +5 ベータ", "S +0 "}));
    EXPECT_FALSE(copy == (Lines{"L -5 Alpha", "M +03 Odd", "M +5 ベータ"}));
    EXPECT_FALSE(copy == (Lines{"L -5 Alpha", "M +03 Odd", "M +5 ベータ", "S +0"}));
    std::ostringstream printed;
    PrintTo(copy, &printed);
    EXPECT_EQ(printed.str(), "{ \"L -5 Alpha\", \"M +03 Odd\", \"M +5 ベータ\", \"S +0 \" }");
    EXPECT_THROW(songs.Set(0, "x"), std::out_of_range);
}

TEST(SongLineListTest, ListsTakenWholeShareTheirTextAndKeepIt) {
    SongLineList songs;
    {
        const LineList numbered{"001 /a.mid", "002 /b.mid"};
        songs = numbered;
    }
    EXPECT_EQ(songs, (Lines{"001 /a.mid", "002 /b.mid"}));
    songs = {"変換後 /x.mid", "変換前 /x.rcp"};
    EXPECT_EQ(songs, (Lines{"変換後 /x.mid", "変換前 /x.rcp"}));
}

}  // namespace
}  // namespace korva
