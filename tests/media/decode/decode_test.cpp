// The decode entry as callers use it: the sample files of every type, the
// broken and hostile files, colour to a display profile, content sniffing,
// reduced-scale JPEG, threads and the sizes callers ask for.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "media/decode/decode.h"
#include "media/image/scale.h"
#include "media/support.h"
#include "support/jpeg_writer.h"

namespace framory::media {
namespace {

namespace fs = std::filesystem;

const fs::path kDir = FRAMORY_PICTURES_DIR;

std::vector<std::uint8_t> ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

using test::MeanDifference;

// Every good sample, by its decoder and upright size.
struct Samples {
    const char* decoder;
    Size size;
    std::vector<const char*> files;
};

const Samples kSamples[] = {
    {"bmp", {128, 128}, {"bmp/hopper.bmp", "rle/hopper_rle8.rle"}},
    {"bmp", {127, 64}, {"bmp/pal1.bmp", "bmp/pal4rle.bmp", "bmp/pal8.bmp", "bmp/pal8os2.bmp", "bmp/pal8rle.bmp",
                        "bmp/pal8topdown.bmp", "bmp/rgb24.bmp", "rle/pal4rle.rle"}},
    {"dib", {70, 46}, {"dib/input_headerless.dib"}},
    {"gif", {320, 240}, {"gif/chi_anim.gif"}},
    {"gif", {200, 200}, {"gif/diagonal_interlaced.gif"}},
    {"gif", {100, 100}, {"gif/dispose_bgnd_anim.gif"}},
    {"gif", {128, 128}, {"gif/hopper.gif"}},
    {"gif", {70, 46}, {"gif/input_gif87a.gif"}},
    {"jpeg", {480, 360}, {"jif/flower.jif", "jpg/flower_camera_exif.jpg"}},
    {"jpeg", {256, 160}, {"jpg/app13_progressive.jpg"}},
    {"jpeg", {100, 100}, {"jpg/cmyk_adobe.jpg"}},
    {"jpeg", {128, 128}, {"jpg/exif_orientation_6.jpg", "jpg/exif_orientation_8.jpg", "jpg/hopper_baseline.jpg"}},
    {"jpeg", {1, 2}, {"jpg/exif_orientation_8_2x1.jpg"}},
    {"pcx", {70, 46}, {"pcx/input_24bit.pcx"}},
    {"pcx", {371, 150}, {"pcx/odd_stride_8bit.pcx"}},
    {"pcx", {1, 1}, {"pcx/p_4_planes_ega.pcx"}},
    {"pcx", {447, 144}, {"pcx/pil184_1bit.pcx"}},
    {"pcx", {27, 27}, {"pcx/test-bpp24.pcx"}},
    {"radiance-pic", {54, 92}, {"pic/radiance_shingles.pic"}},
    {"softimage-pic", {4, 4}, {"pic/softimage_4x4_alpha_rle.pic", "pic/softimage_4x4_alpha_uncompressed.pic"}},
    {"softimage-pic", {64, 64}, {"pic/softimage_a4_houdini.pic", "pic/softimage_astone64.pic"}},
    {"png", {32, 32}, {"png/basi3p08_interlaced_palette.png", "png/basi6a16_interlaced_16bit_rgba.png",
                       "png/basn2c16_16bit.png", "png/basn6a08_rgba.png", "png/tbbn3p08_palette_trns.png"}},
    {"png", {128, 128}, {"png/hopper.png"}},
    {"tga", {200, 32}, {"tga/200x32_l_bl_rle.tga", "tga/200x32_p_bl_rle.tga", "tga/200x32_p_tl_raw.tga",
                        "tga/200x32_rgb_bl_raw.tga", "tga/200x32_rgb_tl_rle.tga", "tga/200x32_rgba_bl_rle.tga",
                        "tga/200x32_rgba_tl_raw.tga"}},
    {"tga", {70, 46}, {"tga/input_24bit.tga"}},
    {"tiff", {3307, 4677}, {"tif/g4_multipage_fax.tif"}},
    {"tiff", {128, 128}, {"tif/hopper_lzw.tif"}},
    {"tiff", {256, 192}, {"tif/jello_packbits_palette.tif"}},
    {"tiff", {158, 118}, {"tif/ladoga_deflate_16bit.tif"}},
    {"tiff", {10, 10}, {"tif/multipage_3pages.tif"}},
    {"tiff", {664, 248}, {"tif/sample-rgb24-deflate.tif"}},
    // Metafiles: their frame at 96 dots per inch.
    {"wmf", {490, 495}, {"wmf/clock_placeable.wmf"}},
    {"wmf", {202, 204}, {"wmf/clock_standard_no_placeable_header.wmf"}},
    {"wmf", {110, 110}, {"wmf/drawing_placeable.wmf"}},
    {"wpg", {32, 32}, {"wpg/input_wpg2.wpg"}},
};

TEST(DecodeSamples, EveryGoodFileDecodesWholeAtItsSizeAndAtAScreenTarget)
{
    std::size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(kDir / "good")) {
        files += entry.is_regular_file() ? 1 : 0;
    }
    std::size_t rows = 0;
    for (const Samples& group : kSamples) {
        for (const char* file : group.files) {
            ++rows;
            SCOPED_TRACE(file);
            const std::string path = (kDir / "good" / file).string();
            // The probe says what the decode gives, without pixels.
            const DecodeResult p = ProbeFile(path);
            EXPECT_EQ(p.status, DecodeStatus::Ok) << p.message;
            EXPECT_EQ(p.decoder, group.decoder);
            EXPECT_EQ(p.natural, group.size);
            EXPECT_TRUE(p.image.empty());
            for (Size target : {Size{}, Size{320, 200}}) {
                const DecodeResult r = DecodeFile(path, target);
                ASSERT_EQ(r.status, DecodeStatus::Ok) << r.message;
                EXPECT_FALSE(r.partial);
                EXPECT_EQ(r.natural, p.natural);
                const Size want = target.width > 0 ? target : p.natural;
                EXPECT_EQ(r.image.width(), want.width);
                EXPECT_EQ(r.image.height(), want.height);
            }
        }
    }
    EXPECT_EQ(files, rows) << "every good file has a row";
}

// Lossless files must match their reference exactly; lossy or re-quantised
// ones within a stated mean difference per channel (0..255).
struct Reference {
    const char* file;
    const char* reference;
    double tolerance;
};

const Reference kReferences[] = {
    {"good/tga/200x32_l_bl_rle.tga", "reference/tga/200x32_l.png", 0},
    {"good/tga/200x32_p_bl_rle.tga", "reference/tga/200x32_p.png", 0},
    {"good/tga/200x32_p_tl_raw.tga", "reference/tga/200x32_p.png", 0},
    {"good/tga/200x32_rgb_bl_raw.tga", "reference/tga/200x32_rgb.png", 0},
    {"good/tga/200x32_rgb_tl_rle.tga", "reference/tga/200x32_rgb.png", 0},
    {"good/tga/200x32_rgba_bl_rle.tga", "reference/tga/200x32_rgba.png", 0},
    {"good/tga/200x32_rgba_tl_raw.tga", "reference/tga/200x32_rgba.png", 0},
    {"good/pic/softimage_4x4_alpha_rle.pic", "reference/pic/4x4-alpha.png", 0},
    {"good/pic/softimage_4x4_alpha_uncompressed.pic", "reference/pic/4x4-alpha.png", 0},
    // The same photograph in other encodings.
    {"good/bmp/hopper.bmp", "good/png/hopper.png", 0},
    {"good/tif/hopper_lzw.tif", "good/png/hopper.png", 0},
    {"good/jpg/hopper_baseline.jpg", "good/png/hopper.png", 1.0},
    {"good/gif/hopper.gif", "good/png/hopper.png", 4.0},
    {"good/rle/hopper_rle8.rle", "good/png/hopper.png", 4.0},
    {"good/jpg/exif_orientation_6.jpg", "good/png/hopper.png", 5.0},
    {"good/jpg/exif_orientation_8.jpg", "good/png/hopper.png", 5.0},
    {"good/pcx/input_24bit.pcx", "good/dib/input_headerless.dib", 0},
    {"good/gif/input_gif87a.gif", "good/dib/input_headerless.dib", 4.0},
    {"good/jif/flower.jif", "good/jpg/flower_camera_exif.jpg", 0},
};

TEST(DecodeSamples, PixelsMatchTheirReference)
{
    for (const Reference& ref : kReferences) {
        SCOPED_TRACE(ref.file);
        const DecodeResult got = DecodeFile((kDir / ref.file).string(), Size{});
        const DecodeResult want = DecodeFile((kDir / ref.reference).string(), Size{});
        ASSERT_TRUE(got.ok()) << got.message;
        ASSERT_TRUE(want.ok()) << want.message;
        if (ref.tolerance == 0) {
            EXPECT_TRUE(got.image == want.image);
        } else {
            EXPECT_LE(MeanDifference(got.image, want.image), ref.tolerance);
        }
    }
}

// The resident memory high-water mark grows by at most this much while one
// broken or hostile file is refused or shown: what a picture of the screen's
// size needs, and nothing a file's claims could add. AddressSanitizer's
// shadow memory and its quarantine of freed blocks triple what a decode
// holds.
#if defined(__SANITIZE_ADDRESS__)
constexpr long kMaxGrowthKb = 3 * 64 * 1024;
#else
constexpr long kMaxGrowthKb = 64 * 1024;
#endif

// What each broken file must give: refused for its claimed size (the size
// the message names), refused as corrupt or unknown, or shown in part.
enum class Expect { TooLarge, Refused, Partial, Whole };

struct Broken {
    Expect expect;
    const char* claim = ""; // for TooLarge: the size the message names
};

const std::map<std::string, Broken> kBroken = {
    {"bmp_bomb_65535.bmp", {Expect::TooLarge, "65535x65535"}},
    {"bmp_reallybig.bmp", {Expect::TooLarge, "3000000x2000000"}},
    // The frame, not the 10x10 screen, is what is too large.
    {"gif_frame_claims_65535x65535.gif", {Expect::TooLarge, "65535x65535"}},
    {"jpeg_bomb_65500x65500.jpg", {Expect::TooLarge, "65500x65500"}},
    {"pic_softimage_bomb_40000.pic", {Expect::TooLarge, "40000x40000"}},
    {"png_bomb_header_100000x100000.png", {Expect::TooLarge, "100000x100000"}},
    {"png_bomb_valid_1bit_20000x20000.png", {Expect::TooLarge, "20000x20000"}},
    {"bmp_truncated_in_header.bmp", {Expect::Refused}}, {"jpeg_progressive_5000_scans.jpg", {Expect::Refused}},
    {"pcx_8bit_missing_palette.pcx", {Expect::Refused}}, {"pcx_truncated_half.pcx", {Expect::Refused}},
    {"pcx_truncated_in_header.pcx", {Expect::Refused}}, {"pic_softimage_broken01.pic", {Expect::Refused}},
    {"png_pngsuite_xcrn0g04_crlf_damaged.png", {Expect::Refused}}, {"png_text_chunk_claims_2gb.png", {Expect::Refused}},
    {"png_pngsuite_xdtn0g01_no_idat.png", {Expect::Refused}}, {"png_truncated_after_ihdr.png", {Expect::Refused}},
    {"tif_strip_claims_4gb.tif", {Expect::Refused}}, {"tif_truncated_half.tif", {Expect::Refused}},
    {"wmf_4000_full_frame_fills.wmf", {Expect::Refused}}, {"zero_bytes.bmp", {Expect::Refused}},
    {"zero_bytes.jpg", {Expect::Refused}},
    {"bmp_shortfile.bmp", {Expect::Partial}}, {"bmp_truncated_half.bmp", {Expect::Partial}},
    {"jpeg_truncated_baseline_half.jpg", {Expect::Partial}}, {"png_truncated_half.png", {Expect::Partial}},
    {"tga_rle_truncated_half.tga", {Expect::Partial}}, {"wmf_truncated_half.wmf", {Expect::Partial}},
    {"wpg_truncated_half.wpg", {Expect::Partial}},
    // Shown whole: only a GIF's first frame and a TIFF's first page are
    // shown, and they lie before the cut; a PNG under a .jpg name is a good
    // PNG; the profile that inflates to 256 MB is dropped, the picture shown.
    {"bmp_palette_claims_4g_colours.bmp", {Expect::Whole}}, {"gif_anim_truncated_half.gif", {Expect::Whole}},
    {"tif_multipage_truncated_half.tif", {Expect::Whole}}, {"png_content_with_jpg_extension.jpg", {Expect::Whole}},
    {"png_iccp_inflates_to_256mb.png", {Expect::Whole}},
};

TEST(DecodeBroken, EveryBrokenFileIsRefusedOrShownInPartSmallAndSilently)
{
    std::size_t files = 0;
    // Nothing a decoding library says reaches the terminal.
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    for (const auto& entry : fs::directory_iterator(kDir / "broken")) {
        ++files;
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        const auto expect = kBroken.find(name);
        ASSERT_NE(expect, kBroken.end()) << "no expectation for " << name;
        DecodeResult r;
        const long growth = test::PeakGrowthKb([&] { r = DecodeFile(entry.path().string(), Size{1920, 1080}); });
        EXPECT_LT(growth, kMaxGrowthKb);
        switch (expect->second.expect) {
        case Expect::TooLarge:
            EXPECT_EQ(r.status, DecodeStatus::TooLarge) << r.message;
            EXPECT_NE(r.message.find(expect->second.claim), std::string::npos) << r.message;
            EXPECT_TRUE(r.image.empty());
            break;
        case Expect::Refused:
            EXPECT_TRUE(r.status == DecodeStatus::Corrupt || r.status == DecodeStatus::NotAPicture)
                << StatusName(r.status);
            EXPECT_TRUE(r.image.empty());
            EXPECT_FALSE(r.message.empty());
            break;
        case Expect::Partial:
            EXPECT_EQ(r.status, DecodeStatus::Ok) << r.message;
            EXPECT_TRUE(r.partial);
            EXPECT_EQ(r.image.width(), 1920);
            break;
        case Expect::Whole:
            EXPECT_EQ(r.status, DecodeStatus::Ok) << r.message;
            EXPECT_FALSE(r.partial);
            break;
        }
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(files, kBroken.size());
}

TEST(DecodeBroken, PartialPictureKeepsTheRowsThatArePresent)
{
    // The truncated TGA is the first half of a complete one: its top rows
    // (stored first) must equal the whole file's.
    const DecodeResult whole = DecodeFile((kDir / "good/tga/200x32_rgb_tl_rle.tga").string(), Size{});
    const DecodeResult cut = DecodeFile((kDir / "broken/tga_rle_truncated_half.tga").string(), Size{});
    ASSERT_TRUE(whole.ok());
    ASSERT_TRUE(cut.ok());
    ASSERT_TRUE(cut.partial);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 200; ++x) {
            ASSERT_EQ(cut.image.at(x, y), whole.image.at(x, y)) << x << "," << y;
        }
    }
    EXPECT_NE(cut.image, whole.image);
}

TEST(DecodeErrors, MissingFileAndOversizedTargetAreRefused)
{
    const DecodeResult missing = DecodeFile((kDir / "no-such-file.jpg").string(), Size{});
    EXPECT_EQ(missing.status, DecodeStatus::NotAPicture);
    EXPECT_FALSE(missing.message.empty());
    EXPECT_EQ(DecodeFile(kDir.string(), Size{}).status, DecodeStatus::NotAPicture); // a folder

    const DecodeResult huge = DecodeFile((kDir / "good/png/hopper.png").string(), Size{20000, 20000});
    EXPECT_EQ(huge.status, DecodeStatus::TooLarge);
    EXPECT_TRUE(huge.image.empty());

    const std::vector<std::uint8_t> text = {'h', 'e', 'l', 'l', 'o', '\n'};
    EXPECT_EQ(DecodeBytes(text, "hello.bmp", Size{}).status, DecodeStatus::NotAPicture);
}

// A picture of pure sRGB primaries, shown on a display whose profile is
// Adobe RGB: the same colours need smaller values there (sRGB red is
// about 219, 0, 0 in Adobe RGB), and an unusable profile changes nothing.
TEST(DecodeColour, PixelsEndInTheDisplayProfileWhenOneIsGiven)
{
    // A 3x1 bitmap, bottom-up rows of blue, green, red bytes and padding.
    const std::vector<std::uint8_t> bmp = {'B', 'M', 66, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 3, 0, 0, 0,
                                           1, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                           0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255, 0, 255, 0, 128, 128, 128, 0, 0, 0};
    const auto adobe = ReadAll(kDir / "icc/AdobeRGB1998.icc");
    const std::vector<std::uint8_t> junk(200, 0x41);
    const DecodeResult srgb = DecodeBytes(bmp, "p.bmp", Size{});
    const DecodeResult shown = DecodeBytes(bmp, "p.bmp", Size{}, adobe);
    const DecodeResult unusable = DecodeBytes(bmp, "p.bmp", Size{}, junk);
    ASSERT_TRUE(srgb.ok() && shown.ok() && unusable.ok());
    auto channel = [](const Image& i, int x, int shift) { return static_cast<int>((i.at(x, 0) >> shift) & 0xff); };
    ASSERT_EQ(srgb.image.at(0, 0), Argb(255, 0, 0));
    EXPECT_NEAR(channel(shown.image, 0, 16), 219, 2);
    EXPECT_NEAR(channel(shown.image, 1, 16), 144, 2);
    EXPECT_NEAR(channel(shown.image, 1, 0), 60, 2);
    EXPECT_NEAR(channel(shown.image, 2, 8), 127, 1); // grey stays grey
    EXPECT_EQ(unusable.image, srgb.image);
}

TEST(DecodeSniff, ContentPicksTheDecoderWhateverTheName)
{
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"png/hopper.png", "photo.jpg", "png"},
        {"jpg/hopper_baseline.jpg", "photo.png", "jpeg"},
        {"jpg/hopper_baseline.jpg", "photo.kqp", "jpeg"},
        {"bmp/rgb24.bmp", "picture.dib", "bmp"},
        {"dib/input_headerless.dib", "picture.dib", "dib"},
        {"dib/input_headerless.dib", "picture.bmp", "dib"},
        {"tga/input_24bit.tga", "picture.tga", "tga"},
        {"tga/input_24bit.tga", "x.dib", "tga"},
        {"pic/radiance_shingles.pic", "scene.pic", "radiance-pic"},
        {"pic/softimage_astone64.pic", "scene.pic", "softimage-pic"},
        {"wmf/clock_standard_no_placeable_header.wmf", "art.jpg", "wmf"},
    };
    for (const auto& [file, name, decoder] : cases) {
        EXPECT_EQ(SniffDecoder(ReadAll(kDir / "good" / file), name), decoder) << file << " as " << name;
    }
    // A TGA has no signature, only plausible fields: any real signature
    // wins over it, even under a .tga name.
    auto tga = ReadAll(kDir / "good/tga/input_24bit.tga");
    tga[0] = 0xff;
    tga[1] = 0xd8;
    tga[2] = 0xff;
    EXPECT_EQ(SniffDecoder(tga, "x.tga"), "jpeg");
}

// A photo-like picture: gradients and texture.
Image PhotoLike(int width, int height)
{
    Image img(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            img.at(x, y) = Argb(static_cast<std::uint8_t>(255 * x / width), static_cast<std::uint8_t>(255 * y / height),
                                static_cast<std::uint8_t>(((x / 7) ^ (y / 5)) & 0xff));
        }
    }
    return img;
}

TEST(DecodeJpeg, ReducedScaleDecodeMatchesFullDecodeThenScale)
{
    const auto jpeg = framory::test::EncodeJpeg(PhotoLike(1600, 1200), 90);
    const DecodeResult full = DecodeBytes(jpeg, "big.jpg", Size{});
    ASSERT_TRUE(full.ok());
    ASSERT_EQ(full.image.width(), 1600);
    for (Size target : {Size{400, 300}, Size{190, 150}, Size{800, 601}, Size{2000, 1500}}) {
        SCOPED_TRACE(target.width);
        const DecodeResult fast = DecodeBytes(jpeg, "big.jpg", target);
        ASSERT_TRUE(fast.ok());
        EXPECT_EQ(fast.natural, (Size{1600, 1200}));
        EXPECT_LT(MeanDifference(fast.image, ScaleImage(full.image, target.width, target.height)), 3.0);
    }
}

// The JPEG with an EXIF block of the given orientation after its start marker.
std::vector<std::uint8_t> WithOrientation(std::vector<std::uint8_t> jpeg, int orientation)
{
    const auto exif = test::ExifBlock(orientation);
    jpeg.insert(jpeg.begin() + 2, exif.begin(), exif.end());
    return jpeg;
}

TEST(DecodeJpeg, ReducedScaleIsChosenInTheStoredOrientation)
{
    // Stored 1600x400 with stripes two rows wide, turned a quarter: upright
    // 400x1600 with stripes two columns wide. Shown at 400x100 the stored
    // picture must keep all 400 rows; choosing the scale by the upright
    // sides would take 1/4 and average the stripes away.
    Image stripes(1600, 400);
    for (int y = 0; y < 400; ++y) {
        std::fill(stripes.row(y), stripes.row(y) + 1600, (y / 2) % 2 ? Argb(240, 240, 240) : Argb(20, 20, 20));
    }
    const auto jpeg = WithOrientation(framory::test::EncodeJpeg(stripes, 95), 6);
    const DecodeResult full = DecodeBytes(jpeg, "turned.jpg", Size{});
    ASSERT_TRUE(full.ok()) << full.message;
    ASSERT_EQ(full.natural, (Size{400, 1600}));
    const DecodeResult shown = DecodeBytes(jpeg, "turned.jpg", Size{400, 100});
    ASSERT_TRUE(shown.ok());
    EXPECT_LT(MeanDifference(shown.image, ScaleImage(full.image, 400, 100)), 3.0);
    // The stripes survive: neighbouring columns differ strongly.
    const int left = static_cast<int>((shown.image.at(100, 50) >> 8) & 0xff);
    const int right = static_cast<int>((shown.image.at(102, 50) >> 8) & 0xff);
    EXPECT_GT(std::abs(left - right), 120);
}

TEST(DecodeThreads, WorkerThreadsDecodeTheSameAsTheCallingThread)
{
    const char* files[] = {"good/jpg/flower_camera_exif.jpg", "good/pcx/odd_stride_8bit.pcx",
                           "good/wmf/drawing_placeable.wmf", "good/tga/200x32_rgba_bl_rle.tga",
                           "good/tif/sample-rgb24-deflate.tif", "good/pic/radiance_shingles.pic",
                           "good/png/hopper.png", "good/gif/chi_anim.gif"};
    std::vector<Image> there(std::size(files));
    {
        std::vector<std::jthread> workers;
        for (std::size_t i = 0; i < std::size(files); ++i) {
            workers.emplace_back([&, i] { there[i] = DecodeFile((kDir / files[i]).string(), Size{300, 200}).image; });
        }
    }
    for (std::size_t i = 0; i < std::size(files); ++i) {
        EXPECT_FALSE(there[i].empty()) << files[i];
        EXPECT_TRUE(there[i] == DecodeFile((kDir / files[i]).string(), Size{300, 200}).image) << files[i];
    }
}

TEST(DecodeFitted, OneReadGivesTheLargestSizeWithinTheBoundsNeverEnlarged)
{
    EXPECT_EQ(FitWithin({4000, 3000}, {1920, 1080}), (Size{1440, 1080}));
    EXPECT_EQ(FitWithin({3000, 4000}, {1920, 1080}), (Size{810, 1080}));
    EXPECT_EQ(FitWithin({4000, 1000}, {1920, 1080}), (Size{1920, 480}));
    EXPECT_EQ(FitWithin({640, 480}, {1920, 1080}), (Size{640, 480}));
    EXPECT_EQ(FitWithin({640, 480}, {}), (Size{640, 480}));
    EXPECT_EQ(FitWithin({20000, 1}, {100, 100}), (Size{100, 1}));
    const DecodeResult r = DecodeFileFitted((kDir / "good/tif/sample-rgb24-deflate.tif").string(), {332, 332});
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.natural, (Size{664, 248}));
    EXPECT_EQ(r.image.width(), 332);
    EXPECT_EQ(r.image.height(), 124);
}

// A GIF screen of 3x1 with a palette of black, red, green and blue, and
// frames of one pixel each: (x, colour index, disposal, delay).
std::vector<std::uint8_t> OnePixelFrames(std::initializer_list<std::array<int, 4>> frames)
{
    std::vector<std::uint8_t> g = {'G', 'I', 'F', '8', '9', 'a', 3, 0, 1, 0, 0x81, 0, 0,
                                   0,   0,   0,   255, 0,   0,   0, 255, 0, 0, 0, 255};
    for (const auto& [x, index, disposal, delay] : frames) {
        g.insert(g.end(), {0x21, 0xf9, 4, static_cast<std::uint8_t>(disposal << 2), static_cast<std::uint8_t>(delay), 0,
                           0, 0});
        g.insert(g.end(), {0x2c, static_cast<std::uint8_t>(x), 0, 0, 0, 1, 0, 1, 0, 0, 2});
        // Codes of three bits, lowest first: clear (4), the index, end (5).
        g.insert(g.end(), {2, static_cast<std::uint8_t>(4 | (index << 3) | (1 << 6)), 1, 0});
    }
    g.push_back(0x3b);
    return g;
}

TEST(DecodeGif, FramesComposeWithTheirDisposalThroughTheFirstWithADelay)
{
    // Red cleared after it (disposal 2), green put back to what was there
    // before it (3), blue with a delay: the picture shown; the black frame
    // after it is not part of it.
    const auto gif = OnePixelFrames({{0, 1, 2, 0}, {1, 2, 3, 0}, {2, 3, 0, 10}, {0, 0, 0, 0}});
    const DecodeResult r = DecodeBytes(gif, "a.gif", Size{});
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(r.image.at(0, 0), 0u);
    EXPECT_EQ(r.image.at(1, 0), 0u);
    EXPECT_EQ(r.image.at(2, 0), Argb(0, 0, 255));
    // Without any delay every frame is composed: the black one too.
    const auto all = OnePixelFrames({{0, 1, 2, 0}, {2, 3, 0, 0}, {0, 0, 0, 0}});
    const DecodeResult every = DecodeBytes(all, "a.gif", Size{});
    ASSERT_TRUE(every.ok()) << every.message;
    EXPECT_EQ(every.image.at(0, 0), Argb(0, 0, 0));
    EXPECT_EQ(every.image.at(2, 0), Argb(0, 0, 255));
}

TEST(DecodeWpg, VersionOneBitmapWithItsPalette)
{
    // WordPerfect Graphics version 1 (the samples are version 2): a start
    // record, a four-colour palette, a 4x2 bitmap of 8-bit indices in
    // literal runs, the end record.
    std::vector<std::uint8_t> file = {0xff, 'W', 'P', 'C', 16, 0, 0, 0, 1, 0x16, 1, 0, 0, 0, 0, 0};
    file.insert(file.end(), {0x0f, 6, 1, 0, 0, 0, 0, 0});
    file.insert(file.end(), {0x0e, 16, 0, 0, 4, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 200, 100, 50});
    file.insert(file.end(), {0x0b, 20, 4, 0, 2, 0, 8, 0, 0, 0, 0, 0});
    file.insert(file.end(), {4, 0, 1, 2, 3, 4, 3, 3, 3, 3});
    file.insert(file.end(), {0x10, 0});
    const DecodeResult r = DecodeBytes(file, "clip.wpg", Size{});
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(r.decoder, "wpg");
    ASSERT_EQ(r.natural, (Size{4, 2}));
    EXPECT_EQ(r.image.at(0, 0), Argb(255, 0, 0));
    EXPECT_EQ(r.image.at(1, 0), Argb(0, 255, 0));
    EXPECT_EQ(r.image.at(2, 0), Argb(0, 0, 255));
    EXPECT_EQ(r.image.at(3, 0), Argb(200, 100, 50));
    EXPECT_EQ(r.image.at(0, 1), Argb(200, 100, 50));
}

} // namespace
} // namespace framory::media
