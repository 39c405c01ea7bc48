#include "playlist/Artists.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "text/Encoding.h"

namespace korva {
namespace {

TEST(ArtistsTest, ArtistIsTheWordAfterTheFirstByAtACharacterStart) {
    const std::string tsu = "\x83\x62";  // a katakana whose second byte is "b"
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"Second Song by Ann Lee", "Ann"},
        {"Lullaby Night", "Night"},  // inside a word too
        {"Song by Ann by Bob", "Ann"},
        {"Song By Ann", std::nullopt},
        {"Song by " + std::string(300, 'x'), std::string(255, 'x')},
        {"by " + std::string(254, 'x') + Sjis("山"), std::string(254, 'x')},  // never half a character
        {Sjis("夜 by 山田 太郎"), Sjis("山田")},
        {"A" + tsu + "y Ann", std::nullopt},
        {tsu + "y Ann by Bob", "Bob"},
    };
    for (const auto& [title, artist] : cases) EXPECT_EQ(ArtistOfTitle(title), artist) << title;
    EXPECT_EQ(TitleOfLine("Song by Ann"), "");  // a line without a TAB has no title
    EXPECT_TRUE(TitleHasArtist("Song by Anne", "Ann"));
    EXPECT_FALSE(TitleHasArtist("Song by ann", "Ann"));
    EXPECT_FALSE(TitleHasArtist("A" + tsu + "y Ann", "Ann"));
}

}  // namespace
}  // namespace korva
