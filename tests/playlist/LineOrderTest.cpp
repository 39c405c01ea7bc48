#include "playlist/LineOrder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "text/ShiftJis.h"

namespace korva {
namespace {

using Lines = std::vector<std::string>;

// What NoCaseOrder must give: a stable sort by CompareNoCase.
std::vector<std::uint32_t> ExpectedOrder(const Lines& lines) {
    std::vector<std::uint32_t> order(lines.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&lines](std::uint32_t a, std::uint32_t b) {
        return CompareNoCase(lines[a], lines[b]) < 0;
    });
    return order;
}

TEST(LineOrderTest, FollowsCompareNoCaseAndKeepsEqualLinesInOrder) {
    // Short alphabets make long shared prefixes, equal lines and lines that begin others; letters
    // of both cases, lead bytes whose second byte looks like a letter, and NUL bytes.
    const std::string alphabet[] = {"a",
                                    "A",
                                    "b",
                                    "B",
                                    "z",
                                    "\t",
                                    "\x83\x62",
                                    "\x83"
                                    "B",
                                    "\x82\x60",
                                    "!",
                                    "~",
                                    std::string(1, '\0'),
                                    "\x7F",
                                    "\xFC\xFC",
                                    "\xA0"};
    std::mt19937 engine(11);
    for (const std::size_t prefix : {0u, 5u, 15u, 16u, 17u, 30u, 62u, 70u}) {
        Lines lines;
        const std::string shared(prefix, 'k');
        for (int i = 0; i < 400; ++i) {
            std::string line = shared;
            const int length = std::uniform_int_distribution<int>(0, 6)(engine);
            for (int c = 0; c < length; ++c)
                line += alphabet[std::uniform_int_distribution<int>(0, 14)(engine)];
            lines.push_back(line);
        }
        EXPECT_EQ(NoCaseOrder(lines), ExpectedOrder(lines)) << "shared prefix " << prefix;
    }
}

TEST(LineOrderTest, SortsIgnoringCaseOfSingleByteLettersOnly) {
    Lines lines{"beta", "\x83\x62", "ALPHA", "Alpha", "\x83\x43", "alpha", "Beta"};
    SortNoCase(lines);
    EXPECT_EQ(lines, (Lines{"ALPHA", "Alpha", "alpha", "beta", "Beta", "\x83\x43", "\x83\x62"}));
}

TEST(LineOrderTest, PermuteTakesItemsInTheGivenOrder) {
    std::vector<int> items{10, 11, 12};
    Permute(items, {2, 0, 1});
    EXPECT_EQ(items, (std::vector<int>{12, 10, 11}));
}

}  // namespace
}  // namespace korva
