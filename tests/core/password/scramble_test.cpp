#include "core/password/scramble.h"

#include <gtest/gtest.h>

namespace framory::core {
namespace {

TEST(Scramble, MatchesTheHandWorkedForms)
{
    // Character i uses key character (i mod 5) + 1 of "wePLx". For "A" (65)
    // at position 1 the key is "e" (101): 65 xor 101 = 36, giving 122 - 2 =
    // "x" and 97 + 4 = "e".
    const std::pair<std::string, std::string> cases[] = {{"", ""},
                                                         {"A", "xe"},
                                                         {"AB", "xeyc"},
                                                         {"AAAAAA", "xeybznwjwgxe"},
                                                         {"a", "ze"},
                                                         {std::string(1, '\0'), "tf"},
                                                         {std::string(1, '\xff'), "qk"}};
    for (const auto& [plain, stored] : cases) {
        EXPECT_EQ(Scramble(plain), stored);
        EXPECT_EQ(Unscramble(stored), plain);
    }
    EXPECT_NE(Scramble("password"), Scramble("PASSWORD"));
}

TEST(Scramble, EveryByteUnderEveryKeyCharacterRoundTripsThroughTwoLetters)
{
    std::string plain;
    for (int c = 0; c < 256; ++c) {
        plain += std::string(5, static_cast<char>(c)); // the byte at each of the key's five places
    }
    const std::string stored = Scramble(plain);
    ASSERT_EQ(stored.size(), 2 * plain.size());
    for (std::size_t i = 0; i < stored.size(); i += 2) {
        ASSERT_TRUE(stored[i] >= 'k' && stored[i] <= 'z' && stored[i + 1] >= 'a' && stored[i + 1] <= 'p') << i;
    }
    EXPECT_EQ(Unscramble(stored), plain);
}

TEST(Unscramble, MalformedFormsNeverFailOrReadPastTheText)
{
    const std::pair<std::string, std::string> cases[] = {
        {"xex", "A"},
        {"x", ""}, // an odd length drops the lone last letter
        // Letters out of range still give one byte per pair, cut to 8 bits:
        // "aa": h = 25, l = 0, x = 400; 400 xor 101 = 501, low byte 245.
        {"aa", std::string(1, static_cast<char>(245))},
        {"zz", "|"},                      // h = 0, l = 25, 25 xor 101 = 124
        {std::string("\x01\xff", 2), "K"} // h = 121, l = 158: 2094 xor 101 = 2123, low byte 75
    };
    for (const auto& [stored, plain] : cases) {
        EXPECT_EQ(Unscramble(stored), plain);
    }
    EXPECT_EQ(Unscramble(std::string(61, 'q')).size(), 30u);
}

} // namespace
} // namespace framory::core
