#include "core/password/scramble.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace framory::core {
namespace {

struct Vector {
    std::string plain;
    std::string stored;
};

class KnownVectors : public ::testing::TestWithParam<Vector> {};

// Worked by hand from the key "wePLx": character i uses key character
// (i mod 5) + 1. For "A" (65) at position 1 the key is "e" (101):
// 65 xor 101 = 36, giving 122 - 2 = "x" and 97 + 4 = "e".
TEST_P(KnownVectors, ScrambleAndUnscrambleMatchTheHandWorkedForms)
{
    EXPECT_EQ(Scramble(GetParam().plain), GetParam().stored);
    EXPECT_EQ(Unscramble(GetParam().stored), GetParam().plain);
}

INSTANTIATE_TEST_SUITE_P(Password, KnownVectors,
                         ::testing::Values(Vector{"", ""}, Vector{"A", "xe"}, Vector{"AB", "xeyc"},
                                           Vector{"AAAAAA", "xeybznwjwgxe"},
                                           Vector{std::string(1, '\0'), "tf"},
                                           Vector{std::string(1, '\xff'), "qk"}, Vector{"a", "ze"}));

TEST(Scramble, UsesKeyPositionOneForTheSixthCharacter)
{
    const std::string stored = Scramble("QQQQQQ");
    EXPECT_EQ(stored.substr(0, 2), stored.substr(10, 2));
    EXPECT_NE(stored.substr(0, 2), stored.substr(2, 2));
}

TEST(Scramble, IsCaseSensitive)
{
    EXPECT_NE(Scramble("password"), Scramble("PASSWORD"));
}

TEST(Scramble, RoundTripsEveryByteStringUpToThirtyCharacters)
{
    std::mt19937 rng(20261206);
    for (int round = 0; round < 5000; ++round) {
        const std::size_t length = 1 + rng() % 30;
        std::string plain(length, '\0');
        for (char& c : plain) {
            c = static_cast<char>(rng() % 256);
        }
        const std::string stored = Scramble(plain);
        ASSERT_EQ(stored.size(), 2 * length);
        for (std::size_t i = 0; i < stored.size(); i += 2) {
            ASSERT_GE(stored[i], 'k');
            ASSERT_LE(stored[i], 'z');
            ASSERT_GE(stored[i + 1], 'a');
            ASSERT_LE(stored[i + 1], 'p');
        }
        ASSERT_EQ(Unscramble(stored), plain);
    }
}

TEST(Unscramble, MalformedFormsNeverFailOrReadPastTheText)
{
    // An odd length drops the lone last letter.
    EXPECT_EQ(Unscramble("xex"), "A");
    EXPECT_EQ(Unscramble("x"), "");
    // Letters out of range still give one byte per pair, cut to 8 bits:
    // "aa" gives h = 25, l = 0, x = 400; 400 xor 101 = 501, low byte 245.
    EXPECT_EQ(Unscramble("aa"), std::string(1, static_cast<char>(245)));
    // "zz": h = 0, l = 25, x = 25 xor 101 = 124 ("|").
    EXPECT_EQ(Unscramble("zz"), "|");
    // Bytes above 127 and below "a": "\x01\xff" gives h = 121, l = 158,
    // x = 2094; 2094 xor 101 = 2123, low byte 75 ("K").
    EXPECT_EQ(Unscramble(std::string("\x01\xff", 2)), "K");
    EXPECT_EQ(Unscramble(std::string(61, 'q')).size(), 30u);
}

} // namespace
} // namespace framory::core
