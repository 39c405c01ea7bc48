#include "playlist/Artists.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "text/Encoding.h"

namespace korva {
namespace {

TEST(ArtistsTest, ArtistIsTheWordAfterTheFirstBy) {
    const std::string longName(300, 'x');
    const std::string katakanaTsu = "\x83\x62";  // its second byte is "b"
    struct Case {
        std::string title;
        std::optional<std::string> artist;
    } cases[] = {
        {"First Song by Ann", "Ann"},
        {"Second Song by Ann Lee", "Ann"},
        {"Lullaby Night", "Night"},  // "by " inside a word counts
        {"Song by Ann by Bob", "Ann"},
        {"by Carl", "Carl"},
        {"Song By Ann", std::nullopt},  // lower-case "by " only
        {"Songby", std::nullopt},
        {"Song by ", ""},
        {"Song by " + longName, std::string(255, 'x')},
        {Sjis("夜 by 山田 太郎"), Sjis("山田")},
        // The second byte of a double-byte character starts no "by ".
        {"A" + katakanaTsu + "y Ann", std::nullopt},
        {katakanaTsu + "y Ann by Bob", "Bob"},
        // 254 bytes and a double-byte character: the character would cross the limit.
        {"by " + std::string(254, 'x') + Sjis("山"), std::string(254, 'x')},
    };
    for (const Case& c : cases) {
        const auto artist = ArtistOfTitle(c.title);
        ASSERT_EQ(artist.has_value(), c.artist.has_value()) << c.title;
        if (artist) {
            EXPECT_EQ(*artist, *c.artist) << c.title;
        }
    }
}

TEST(ArtistsTest, TitleIsTheTextBeforeTheFirstTab) {
    EXPECT_EQ(TitleOfLine("Song by Ann\t/a.mid\t+0\t1"), "Song by Ann");
    EXPECT_EQ(TitleOfLine("Song by Ann"), "");  // no TAB, no title
    EXPECT_EQ(TitleOfLine("\tpath"), "");
}

TEST(ArtistsTest, TitleBelongsToEveryArtistItsByBeginsWith) {
    EXPECT_TRUE(TitleHasArtist("Song by Anne", "Ann"));
    EXPECT_TRUE(TitleHasArtist("Duet by Bob and by Ann", "Ann"));
    EXPECT_TRUE(TitleHasArtist("Lullaby Night", "Night"));
    EXPECT_FALSE(TitleHasArtist("Song by Bob", "Ann"));
    EXPECT_FALSE(TitleHasArtist("Song by An", "Ann"));
    EXPECT_FALSE(TitleHasArtist("Song by ann", "Ann"));
    EXPECT_FALSE(TitleHasArtist("A\x83\x62y Ann", "Ann"));
}

}  // namespace
}  // namespace korva
