#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "media/decode/decode.h"
#include "media/decode/headers.h"

namespace framory::media::detail {
namespace {

using ByteVec = std::vector<std::uint8_t>;

void Put16le(ByteVec& v, std::uint32_t x)
{
    v.push_back(static_cast<std::uint8_t>(x & 0xff));
    v.push_back(static_cast<std::uint8_t>(x >> 8));
}

void Put16be(ByteVec& v, std::uint32_t x)
{
    v.push_back(static_cast<std::uint8_t>(x >> 8));
    v.push_back(static_cast<std::uint8_t>(x & 0xff));
}

void Put32le(ByteVec& v, std::uint32_t x)
{
    Put16le(v, x & 0xffff);
    Put16le(v, x >> 16);
}

void PutText(ByteVec& v, const std::string& s)
{
    v.insert(v.end(), s.begin(), s.end());
}

// SOI, an EXIF block with the given orientation, a baseline frame header, EOI.
ByteVec Jpeg(int width, int height, int orientation, bool with_end)
{
    ByteVec tiff = {'I', 'I', 42, 0, 8, 0, 0, 0};
    Put16le(tiff, 1);               // one entry
    Put16le(tiff, 0x0112);          // Orientation
    Put16le(tiff, 3);               // SHORT
    Put32le(tiff, 1);               // count
    Put16le(tiff, static_cast<std::uint32_t>(orientation));
    Put16le(tiff, 0);
    Put32le(tiff, 0);               // no next directory
    ByteVec j = {0xff, 0xd8, 0xff, 0xe1};
    Put16be(j, static_cast<std::uint32_t>(2 + 6 + tiff.size()));
    j.insert(j.end(), {'E', 'x', 'i', 'f', 0, 0});
    j.insert(j.end(), tiff.begin(), tiff.end());
    j.insert(j.end(), {0xff, 0xc0});
    Put16be(j, 11);
    j.push_back(8);
    Put16be(j, static_cast<std::uint32_t>(height));
    Put16be(j, static_cast<std::uint32_t>(width));
    j.insert(j.end(), {1, 1, 0x11, 0});
    if (with_end) {
        j.insert(j.end(), {0xff, 0xd9});
    }
    return j;
}

TEST(Headers, JpegSizeOrientationAndEndMarker)
{
    const Header h = ReadJpegHeader(Jpeg(50, 100, 6, true));
    ASSERT_TRUE(h.valid()) << h.problem;
    EXPECT_EQ(h.width, 50);
    EXPECT_EQ(h.height, 100);
    EXPECT_EQ(h.orientation, 6);
    EXPECT_TRUE(h.complete);
    EXPECT_FALSE(ReadJpegHeader(Jpeg(50, 100, 1, false)).complete);
    EXPECT_EQ(ReadJpegHeader(Jpeg(50, 100, 9, true)).orientation, 1); // out of range is ignored
    EXPECT_FALSE(ReadJpegHeader(Jpeg(0, 100, 1, true)).valid());

    // The probe reports the upright size: orientation 6 swaps the sides.
    const ByteVec j = Jpeg(50, 100, 6, true);
    EXPECT_EQ(ProbeBytes(j, "x.jpg").natural, (Size{100, 50}));
}

TEST(Headers, GifFrameLargerThanItsScreenCountsAgainstTheBudget)
{
    ByteVec g;
    PutText(g, "GIF89a");
    Put16le(g, 10);
    Put16le(g, 10);
    g.insert(g.end(), {0, 0, 0});
    g.push_back(0x2c);
    Put16le(g, 0);
    Put16le(g, 0);
    Put16le(g, 20000);
    Put16le(g, 10);
    g.push_back(0);
    g.insert(g.end(), {2, 1, 0, 0, 0x3b}); // code size, one data byte, end
    const Header h = ReadGifHeader(g);
    ASSERT_TRUE(h.valid());
    EXPECT_EQ(h.width, 10);
    EXPECT_EQ(h.largest_side, 20000);
    EXPECT_TRUE(h.complete);
    EXPECT_EQ(DecodeBytes(g, "x.gif", Size{}).status, DecodeStatus::TooLarge);

    g.resize(g.size() - 3); // the frame's data block now runs off the end
    EXPECT_FALSE(ReadGifHeader(g).complete);
}

TEST(Headers, BmpFromHeaderlessDibGetsTheRightPixelOffset)
{
    // 8-bit with no colour count: a full 256-entry palette follows.
    ByteVec dib;
    Put32le(dib, 40);
    Put32le(dib, 2);
    Put32le(dib, 2);
    Put16le(dib, 1);
    Put16le(dib, 8);
    Put32le(dib, 0);
    for (int i = 0; i < 5; ++i) {
        Put32le(dib, 0);
    }
    dib.resize(dib.size() + 1024 + 8);
    ASSERT_EQ(SniffDib(dib), Match::Weak);
    const auto bmp = DibToBmp(dib);
    ASSERT_TRUE(bmp);
    EXPECT_EQ(bmp->substr(0, 2), "BM");
    auto u32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(static_cast<std::uint8_t>((*bmp)[at])) |
               (static_cast<std::uint32_t>(static_cast<std::uint8_t>((*bmp)[at + 1])) << 8) |
               (static_cast<std::uint32_t>(static_cast<std::uint8_t>((*bmp)[at + 2])) << 16);
    };
    EXPECT_EQ(u32(2), 14u + dib.size());
    EXPECT_EQ(u32(10), 14u + 40u + 1024u);

    // Planes other than 1 or an odd bit depth: not a DIB.
    dib[12] = 2;
    EXPECT_EQ(SniffDib(dib), Match::None);
}

TEST(Headers, TgaRunLengthWalkSeesAShortFile)
{
    ByteVec t = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    Put16le(t, 4);
    Put16le(t, 2);
    t.insert(t.end(), {24, 0x20});
    // Two run packets of four pixels each cover 4x2.
    t.insert(t.end(), {0x83, 1, 2, 3, 0x83, 4, 5, 6});
    EXPECT_EQ(SniffTga(t), Match::Weak);
    EXPECT_TRUE(ReadTgaHeader(t).complete);
    t.resize(t.size() - 4);
    EXPECT_FALSE(ReadTgaHeader(t).complete);
    t[2] = 4; // no such image type
    EXPECT_EQ(SniffTga(t), Match::None);
}

TEST(Headers, PcxCountsItsRunLengthData)
{
    ByteVec p(128, 0);
    p[0] = 0x0a;
    p[1] = 5;
    p[2] = 1;
    p[3] = 1;     // 1 bit
    p[8] = 15;    // xmax: 16 wide
    p[10] = 1;    // ymax: 2 high
    p[65] = 1;    // one plane
    p[66] = 2;    // two bytes per line
    p.insert(p.end(), {0xc4, 0xaa}); // a run of 4 bytes: both lines
    ASSERT_EQ(SniffPcx(p), Match::Strong);
    Header h = ReadPcxHeader(p);
    ASSERT_TRUE(h.valid()) << h.problem;
    EXPECT_EQ(h.width, 16);
    EXPECT_EQ(h.height, 2);
    EXPECT_TRUE(h.complete);
    p.back() = 0xaa;
    p[128] = 0xc3; // three bytes only
    EXPECT_FALSE(ReadPcxHeader(p).complete);
}

TEST(Headers, WmfFrameFromPlaceableHeaderOrWindowExtent)
{
    ByteVec records;
    Put16le(records, 1);
    Put16le(records, 9);
    Put16le(records, 0x0300);
    Put32le(records, 0);
    Put16le(records, 0);
    Put32le(records, 5);
    Put16le(records, 0);
    Put32le(records, 5); // SetWindowExt(y=2880, x=1440)
    Put16le(records, 0x020c);
    Put16le(records, 2880);
    Put16le(records, 1440);
    Put32le(records, 3); // end of file
    Put16le(records, 0);

    Header plain = ReadWmfHeader(records);
    ASSERT_TRUE(plain.valid()) << plain.problem;
    EXPECT_EQ(plain.width, 96); // one inch of twips at 96 dots per inch
    EXPECT_EQ(plain.height, 192);
    EXPECT_TRUE(plain.complete);

    ByteVec placeable = {0xd7, 0xcd, 0xc6, 0x9a, 0, 0};
    Put16le(placeable, 0);
    Put16le(placeable, 0);
    Put16le(placeable, 300); // right
    Put16le(placeable, 150); // bottom
    Put16le(placeable, 100); // units per inch
    Put32le(placeable, 0);
    Put16le(placeable, 0);
    placeable.insert(placeable.end(), records.begin(), records.end());
    const Header framed = ReadWmfHeader(placeable);
    EXPECT_EQ(framed.width, 288);
    EXPECT_EQ(framed.height, 144);

    placeable.resize(placeable.size() - 3); // the end record is cut
    const Header cut = ReadWmfHeader(placeable);
    EXPECT_TRUE(cut.valid());
    EXPECT_FALSE(cut.complete);
}

TEST(Headers, WpgCountsEveryBitmapItHolds)
{
    ByteVec w = {0xff, 'W', 'P', 'C'};
    Put32le(w, 16);
    w.insert(w.end(), {1, 0x16, 1, 0, 0, 0, 0, 0});
    auto bitmap = [&](std::uint32_t width, std::uint32_t height) {
        w.push_back(0x0b);
        w.push_back(10);
        Put16le(w, width);
        Put16le(w, height);
        Put16le(w, 1);
        Put16le(w, 0);
        Put16le(w, 0);
    };
    bitmap(100, 50);
    bitmap(9000, 9000);
    w.insert(w.end(), {0x10, 0});
    const Header h = ReadWpgHeader(w);
    ASSERT_TRUE(h.valid()) << h.problem;
    EXPECT_EQ(h.width, 100);
    EXPECT_EQ(h.height, 50);
    EXPECT_EQ(h.total_pixels, 100 * 50 + 9000 * 9000);
    EXPECT_EQ(DecodeBytes(w, "x.wpg", Size{}).status, DecodeStatus::TooLarge);
}

// A Radiance picture of 8x2 with run-length rows; `exponent` sets how
// bright the whole scene is.
ByteVec Radiance(std::uint8_t exponent)
{
    ByteVec r;
    PutText(r, "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\nEXPOSURE=1.0\n\n-Y 2 +X 8\n");
    for (int row = 0; row < 2; ++row) {
        r.insert(r.end(), {2, 2, 0, 8});
        // Red and green as runs, blue as literal values, one exponent; the
        // green keeps the average luminance near the middle.
        r.insert(r.end(), {128 + 8, static_cast<std::uint8_t>(row == 0 ? 128 : 0)});
        r.insert(r.end(), {128 + 8, 128});
        r.insert(r.end(), {8, 1, 16, 32, 64, 96, 128, 192, 255});
        r.insert(r.end(), {128 + 8, exponent});
    }
    return r;
}

TEST(Headers, RadianceRowsDecodeAndExposureFollowsTheScene)
{
    const ByteVec r = Radiance(128);
    ASSERT_EQ(SniffRadiance(r), Match::Strong);
    std::string problem;
    const auto img = DecodeRadiance(r, problem);
    ASSERT_TRUE(img) << problem;
    EXPECT_TRUE(img->complete);
    ASSERT_EQ(img->width, 8);
    ASSERT_EQ(img->height, 2);
    EXPECT_GT((img->pixels[0] >> 16) & 0xff, 0u);
    EXPECT_EQ((img->pixels[8] >> 16) & 0xff, 0u); // second row has no red
    for (std::size_t x = 1; x < 8; ++x) {
        EXPECT_GT(img->pixels[x] & 0xff, img->pixels[x - 1] & 0xff) << "blue rises along the row";
    }
    // The same scene 16 times brighter is exposed to the same picture.
    const auto bright = DecodeRadiance(Radiance(132), problem);
    ASSERT_TRUE(bright);
    EXPECT_EQ(bright->pixels, img->pixels);

    // Cut in the second row: the first row stays, the picture is partial.
    const ByteVec cut(r.begin(), r.end() - 10);
    const auto part = DecodeRadiance(cut, problem);
    ASSERT_TRUE(part);
    EXPECT_FALSE(part->complete);
    EXPECT_GT((part->pixels[0] >> 16) & 0xff, 0u);
    EXPECT_EQ(part->pixels[8], 0xff000000u);

    // Another pixel format is refused, not misread.
    ByteVec xyz = r;
    const std::string tag = "32-bit_rle_rgbe";
    const std::string other = "32-bit_rle_xyze";
    std::copy(other.begin(), other.end(), std::search(xyz.begin(), xyz.end(), tag.begin(), tag.end()));
    EXPECT_FALSE(DecodeRadiance(xyz, problem));
}

} // namespace
} // namespace framory::media::detail
