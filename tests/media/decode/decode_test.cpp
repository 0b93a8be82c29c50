#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <QBuffer>
#include <QImage>
#include <QPainter>

#include "media/decode/decode.h"
#include "media/image/scale.h"

namespace framory::media {
namespace {

namespace fs = std::filesystem;

const fs::path kDir = FRAMORY_PICTURES_DIR;

std::vector<std::uint8_t> ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Mean absolute difference per channel (alpha included) of two same-sized images.
double MeanDifference(const Image& a, const Image& b)
{
    EXPECT_EQ(a.width(), b.width());
    EXPECT_EQ(a.height(), b.height());
    if (a.width() != b.width() || a.height() != b.height() || a.empty()) {
        return 1e9;
    }
    double sum = 0;
    for (std::size_t i = 0; i < a.pixel_count(); ++i) {
        for (int shift = 0; shift < 32; shift += 8) {
            sum += std::abs(static_cast<int>((a.data()[i] >> shift) & 0xff) -
                            static_cast<int>((b.data()[i] >> shift) & 0xff));
        }
    }
    return sum / (static_cast<double>(a.pixel_count()) * 4);
}

Image RotateClockwise(const Image& src)
{
    Image out(src.height(), src.width());
    for (int y = 0; y < src.height(); ++y) {
        for (int x = 0; x < src.width(); ++x) {
            out.at(src.height() - 1 - y, x) = src.at(x, y);
        }
    }
    return out;
}

// Every good sample: its decoder and its upright size.
struct Sample {
    const char* file;
    const char* decoder;
    int width;
    int height;
};

const Sample kSamples[] = {
    {"bmp/hopper.bmp", "bmp", 128, 128},
    {"bmp/pal1.bmp", "bmp", 127, 64},
    {"bmp/pal4rle.bmp", "bmp", 127, 64},
    {"bmp/pal8.bmp", "bmp", 127, 64},
    {"bmp/pal8os2.bmp", "bmp", 127, 64},
    {"bmp/pal8rle.bmp", "bmp", 127, 64},
    {"bmp/pal8topdown.bmp", "bmp", 127, 64},
    {"bmp/rgb24.bmp", "bmp", 127, 64},
    {"dib/input_headerless.dib", "dib", 70, 46},
    {"gif/chi_anim.gif", "gif", 320, 240},
    {"gif/diagonal_interlaced.gif", "gif", 200, 200},
    {"gif/dispose_bgnd_anim.gif", "gif", 100, 100},
    {"gif/hopper.gif", "gif", 128, 128},
    {"gif/input_gif87a.gif", "gif", 70, 46},
    {"jif/flower.jif", "jpeg", 480, 360},
    {"jpg/app13_progressive.jpg", "jpeg", 256, 160},
    {"jpg/cmyk_adobe.jpg", "jpeg", 100, 100},
    {"jpg/exif_orientation_6.jpg", "jpeg", 128, 128},
    {"jpg/exif_orientation_8.jpg", "jpeg", 128, 128},
    {"jpg/exif_orientation_8_2x1.jpg", "jpeg", 1, 2},
    {"jpg/flower_camera_exif.jpg", "jpeg", 480, 360},
    {"jpg/hopper_baseline.jpg", "jpeg", 128, 128},
    {"pcx/input_24bit.pcx", "pcx", 70, 46},
    {"pcx/odd_stride_8bit.pcx", "pcx", 371, 150},
    {"pcx/p_4_planes_ega.pcx", "pcx", 1, 1},
    {"pcx/pil184_1bit.pcx", "pcx", 447, 144},
    {"pcx/test-bpp24.pcx", "pcx", 27, 27},
    {"pic/radiance_shingles.pic", "radiance-pic", 54, 92},
    {"pic/softimage_4x4_alpha_rle.pic", "softimage-pic", 4, 4},
    {"pic/softimage_4x4_alpha_uncompressed.pic", "softimage-pic", 4, 4},
    {"pic/softimage_a4_houdini.pic", "softimage-pic", 64, 64},
    {"pic/softimage_astone64.pic", "softimage-pic", 64, 64},
    {"png/basi3p08_interlaced_palette.png", "png", 32, 32},
    {"png/basi6a16_interlaced_16bit_rgba.png", "png", 32, 32},
    {"png/basn2c16_16bit.png", "png", 32, 32},
    {"png/basn6a08_rgba.png", "png", 32, 32},
    {"png/hopper.png", "png", 128, 128},
    {"png/tbbn3p08_palette_trns.png", "png", 32, 32},
    {"rle/hopper_rle8.rle", "bmp", 128, 128},
    {"rle/pal4rle.rle", "bmp", 127, 64},
    {"tga/200x32_l_bl_rle.tga", "tga", 200, 32},
    {"tga/200x32_p_bl_rle.tga", "tga", 200, 32},
    {"tga/200x32_p_tl_raw.tga", "tga", 200, 32},
    {"tga/200x32_rgb_bl_raw.tga", "tga", 200, 32},
    {"tga/200x32_rgb_tl_rle.tga", "tga", 200, 32},
    {"tga/200x32_rgba_bl_rle.tga", "tga", 200, 32},
    {"tga/200x32_rgba_tl_raw.tga", "tga", 200, 32},
    {"tga/input_24bit.tga", "tga", 70, 46},
    {"tif/g4_multipage_fax.tif", "tiff", 3307, 4677},
    {"tif/hopper_lzw.tif", "tiff", 128, 128},
    {"tif/jello_packbits_palette.tif", "tiff", 256, 192},
    {"tif/ladoga_deflate_16bit.tif", "tiff", 158, 118},
    {"tif/multipage_3pages.tif", "tiff", 10, 10},
    {"tif/sample-rgb24-deflate.tif", "tiff", 664, 248},
    // Metafiles: their frame at 96 dots per inch.
    {"wmf/clock_placeable.wmf", "wmf", 490, 495},
    {"wmf/clock_standard_no_placeable_header.wmf", "wmf", 202, 204},
    {"wmf/drawing_placeable.wmf", "wmf", 110, 110},
    {"wpg/input_wpg2.wpg", "wpg", 32, 32},
};

TEST(DecodeSamples, TableCoversEveryGoodFile)
{
    std::size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(kDir / "good")) {
        if (entry.is_regular_file()) {
            ++files;
            const std::string rel = fs::relative(entry.path(), kDir / "good").generic_string();
            EXPECT_TRUE(std::any_of(std::begin(kSamples), std::end(kSamples),
                                    [&](const Sample& s) { return rel == s.file; }))
                << rel << " has no row";
        }
    }
    EXPECT_EQ(files, std::size(kSamples));
}

TEST(DecodeSamples, EveryGoodFileDecodesWholeAtItsUprightSize)
{
    for (const Sample& s : kSamples) {
        SCOPED_TRACE(s.file);
        const DecodeResult r = DecodeFile((kDir / "good" / s.file).string(), Size{});
        ASSERT_EQ(r.status, DecodeStatus::Ok) << r.message;
        EXPECT_FALSE(r.partial);
        EXPECT_EQ(r.decoder, s.decoder);
        EXPECT_EQ(r.natural, (Size{s.width, s.height}));
        EXPECT_EQ(r.image.width(), s.width);
        EXPECT_EQ(r.image.height(), s.height);

        // The probe agrees with the decode without producing pixels.
        const DecodeResult p = ProbeFile((kDir / "good" / s.file).string());
        EXPECT_EQ(p.status, DecodeStatus::Ok);
        EXPECT_EQ(p.natural, r.natural);
        EXPECT_TRUE(p.image.empty());
    }
}

TEST(DecodeSamples, EveryGoodFileScalesToAScreenTarget)
{
    for (const Sample& s : kSamples) {
        SCOPED_TRACE(s.file);
        const DecodeResult r = DecodeFile((kDir / "good" / s.file).string(), Size{320, 200});
        ASSERT_EQ(r.status, DecodeStatus::Ok) << r.message;
        EXPECT_EQ(r.image.width(), 320);
        EXPECT_EQ(r.image.height(), 200);
        EXPECT_EQ(r.natural, (Size{s.width, s.height}));
    }
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

TEST(DecodeSamples, ExifOrientationTurnsThePhotoUpright)
{
    const DecodeResult upright = DecodeFile((kDir / "good/png/hopper.png").string(), Size{});
    ASSERT_TRUE(upright.ok());
    for (const char* file : {"good/jpg/exif_orientation_6.jpg", "good/jpg/exif_orientation_8.jpg"}) {
        SCOPED_TRACE(file);
        const DecodeResult r = DecodeFile((kDir / file).string(), Size{});
        ASSERT_TRUE(r.ok());
        // Upright it matches the photo; a quarter turn away it does not.
        EXPECT_LT(MeanDifference(r.image, upright.image), 5.0);
        EXPECT_GT(MeanDifference(RotateClockwise(r.image), upright.image), 20.0);
        EXPECT_GT(MeanDifference(RotateClockwise(RotateClockwise(RotateClockwise(r.image))), upright.image), 20.0);
    }
    // Stored 2x1 with orientation 8: shown 1 wide and 2 high, also when
    // decoded to a target, which is given in upright terms.
    const auto path = (kDir / "good/jpg/exif_orientation_8_2x1.jpg").string();
    EXPECT_EQ(ProbeFile(path).natural, (Size{1, 2}));
    const DecodeResult tall = DecodeFile(path, Size{10, 20});
    ASSERT_TRUE(tall.ok());
    EXPECT_EQ(tall.image.width(), 10);
    EXPECT_EQ(tall.image.height(), 20);
}

// What each broken file must give: refused for its claimed size, refused
// as corrupt or unknown, or shown in part.
enum class Expect { TooLarge, Refused, Partial, Whole };

const std::map<std::string, Expect> kBroken = {
    {"bmp_bomb_65535.bmp", Expect::TooLarge},
    {"bmp_reallybig.bmp", Expect::TooLarge},
    {"bmp_shortfile.bmp", Expect::Partial},
    {"bmp_truncated_half.bmp", Expect::Partial},
    {"bmp_truncated_in_header.bmp", Expect::Refused},
    // Only the first frame is shown, and it lies before the cut.
    {"gif_anim_truncated_half.gif", Expect::Whole},
    {"jpeg_bomb_65500x65500.jpg", Expect::TooLarge},
    {"jpeg_truncated_baseline_half.jpg", Expect::Partial},
    {"pcx_8bit_missing_palette.pcx", Expect::Refused},
    {"pcx_truncated_half.pcx", Expect::Refused},
    {"pcx_truncated_in_header.pcx", Expect::Refused},
    {"pic_softimage_bomb_40000.pic", Expect::TooLarge},
    {"pic_softimage_broken01.pic", Expect::Refused},
    {"png_bomb_header_100000x100000.png", Expect::TooLarge},
    {"png_bomb_valid_1bit_20000x20000.png", Expect::TooLarge},
    // A PNG under a .jpg name is a good PNG.
    {"png_content_with_jpg_extension.jpg", Expect::Whole},
    {"png_pngsuite_xcrn0g04_crlf_damaged.png", Expect::Refused},
    {"png_pngsuite_xdtn0g01_no_idat.png", Expect::Refused},
    {"png_truncated_after_ihdr.png", Expect::Refused},
    {"png_truncated_half.png", Expect::Refused},
    {"tga_rle_truncated_half.tga", Expect::Partial},
    // The first page's strips all lie before the cut.
    {"tif_multipage_truncated_half.tif", Expect::Whole},
    {"tif_truncated_half.tif", Expect::Refused},
    {"wmf_truncated_half.wmf", Expect::Partial},
    {"wpg_truncated_half.wpg", Expect::Partial},
    {"zero_bytes.bmp", Expect::Refused},
    {"zero_bytes.jpg", Expect::Refused},
};

TEST(DecodeBroken, EveryBrokenFileIsRefusedOrShownInPartQuickly)
{
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(kDir / "broken")) {
        ++files;
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        const auto expect = kBroken.find(name);
        ASSERT_NE(expect, kBroken.end()) << "no expectation for " << name;
        for (Size target : {Size{}, Size{1920, 1080}}) {
            const auto start = std::chrono::steady_clock::now();
            const DecodeResult r = DecodeFile(entry.path().string(), target);
            // A guard against hangs, not a speed claim: these are tiny files.
            EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
            switch (expect->second) {
            case Expect::TooLarge:
                EXPECT_EQ(r.status, DecodeStatus::TooLarge) << r.message;
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
                EXPECT_FALSE(r.image.empty());
                break;
            case Expect::Whole:
                EXPECT_EQ(r.status, DecodeStatus::Ok) << r.message;
                EXPECT_FALSE(r.partial);
                break;
            }
        }
    }
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

TEST(DecodeErrors, MetafilePlayerComplaintsStayOffTheTerminal)
{
    // A polygon record that claims five points and holds none: the player
    // refuses it and, left alone, writes a line per attempt to stderr.
    const std::vector<std::uint8_t> wmf = {
        0x01, 0x00, 0x09, 0x00, 0x00, 0x03, 0x15, 0x00, 0x00, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x0c, 0x02, 0x64, 0x00, 0x64, 0x00, 0x04, 0x00,
        0x00, 0x00, 0x24, 0x03, 0x05, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00};
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    const DecodeResult r = DecodeBytes(wmf, "art.wmf", Size{100, 100});
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(r.status, DecodeStatus::Corrupt);
    EXPECT_EQ(r.decoder, "wmf");
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "");
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

TEST(DecodeSniff, ContentPicksTheDecoderWhateverTheName)
{
    const auto png = ReadAll(kDir / "good/png/hopper.png");
    const auto jpeg = ReadAll(kDir / "good/jpg/hopper_baseline.jpg");
    const auto dib = ReadAll(kDir / "good/dib/input_headerless.dib");
    const auto bmp = ReadAll(kDir / "good/bmp/rgb24.bmp");
    const auto tga = ReadAll(kDir / "good/tga/input_24bit.tga");
    const auto radiance = ReadAll(kDir / "good/pic/radiance_shingles.pic");
    const auto softimage = ReadAll(kDir / "good/pic/softimage_astone64.pic");
    const auto wmf = ReadAll(kDir / "good/wmf/clock_standard_no_placeable_header.wmf");
    EXPECT_EQ(SniffDecoder(png, "photo.jpg"), "png");
    EXPECT_EQ(SniffDecoder(jpeg, "photo.png"), "jpeg");
    EXPECT_EQ(SniffDecoder(jpeg, "photo.kqp"), "jpeg");
    EXPECT_EQ(SniffDecoder(bmp, "picture.dib"), "bmp");
    EXPECT_EQ(SniffDecoder(dib, "picture.dib"), "dib");
    EXPECT_EQ(SniffDecoder(dib, "picture.bmp"), "dib");
    EXPECT_EQ(SniffDecoder(tga, "picture.tga"), "tga");
    EXPECT_EQ(SniffDecoder(radiance, "scene.pic"), "radiance-pic");
    EXPECT_EQ(SniffDecoder(softimage, "scene.pic"), "softimage-pic");
    EXPECT_EQ(SniffDecoder(wmf, "art.jpg"), "wmf");

    // A PNG named .jpg decodes as the PNG it is.
    const DecodeResult r = DecodeBytes(png, "photo.jpg", Size{});
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.decoder, "png");
    EXPECT_EQ(r.natural, (Size{128, 128}));
}

TEST(DecodeSniff, SignatureBeatsAPlausibleHeaderWhateverTheName)
{
    // A TGA has no signature, only plausible fields: any real signature
    // wins over it, even under a .tga name.
    auto tga = ReadAll(kDir / "good/tga/input_24bit.tga");
    EXPECT_EQ(SniffDecoder(tga, "x.dib"), "tga");
    tga[0] = 0xff;
    tga[1] = 0xd8;
    tga[2] = 0xff;
    EXPECT_EQ(SniffDecoder(tga, "x.tga"), "jpeg");
}

// A photo-like JPEG made here: gradients and texture at quality 90.
std::vector<std::uint8_t> MakeJpeg(int width, int height)
{
    QImage img(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(img.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const auto r = static_cast<std::uint32_t>(255 * x / width);
            const auto g = static_cast<std::uint32_t>(255 * y / height);
            const auto b = static_cast<std::uint32_t>(((x / 7) ^ (y / 5)) & 0xff);
            row[x] = 0xff000000u | (r << 16) | (g << 8) | b;
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "JPEG", 90);
    return {bytes.begin(), bytes.end()};
}

TEST(DecodeJpeg, ReducedScaleDecodeMatchesFullDecodeThenScale)
{
    const auto jpeg = MakeJpeg(1600, 1200);
    const DecodeResult full = DecodeBytes(jpeg, "big.jpg", Size{});
    ASSERT_TRUE(full.ok());
    ASSERT_EQ(full.image.width(), 1600);
    for (Size target : {Size{400, 300}, Size{190, 150}, Size{800, 601}, Size{2000, 1500}}) {
        SCOPED_TRACE(target.width);
        const DecodeResult fast = DecodeBytes(jpeg, "big.jpg", target);
        ASSERT_TRUE(fast.ok());
        EXPECT_EQ(fast.natural, (Size{1600, 1200}));
        const Image slow = ScaleImage(full.image, target.width, target.height);
        EXPECT_LT(MeanDifference(fast.image, slow), 3.0);
    }
}

// Puts an EXIF block with the given orientation right after the JPEG's
// start marker.
std::vector<std::uint8_t> WithOrientation(std::vector<std::uint8_t> jpeg, std::uint8_t orientation)
{
    const std::vector<std::uint8_t> app1 = {0xff, 0xe1, 0x00, 34,  'E', 'x', 'i', 'f', 0, 0, 'I', 'I',
                                            42,   0,    8,    0,   0,   0,   1,   0,   0x12, 0x01, 3, 0,
                                            1,    0,    0,    0,   orientation, 0, 0, 0, 0, 0, 0, 0};
    jpeg.insert(jpeg.begin() + 2, app1.begin(), app1.end());
    return jpeg;
}

TEST(DecodeJpeg, ReducedScaleIsChosenInTheStoredOrientation)
{
    // Stored 1600x400 with stripes two rows wide, turned a quarter: upright
    // 400x1600 with stripes two columns wide. Shown at 400x100 the stored
    // picture must keep all 400 rows; choosing the scale by the upright
    // sides would take 1/4 and average the stripes away.
    QImage stripes(1600, 400, QImage::Format_RGB32);
    for (int y = 0; y < 400; ++y) {
        const QRgb colour = (y / 2) % 2 ? qRgb(240, 240, 240) : qRgb(20, 20, 20);
        for (int x = 0; x < 1600; ++x) {
            stripes.setPixel(x, y, colour);
        }
    }
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    stripes.save(&buffer, "JPEG", 95);
    const auto jpeg = WithOrientation({encoded.begin(), encoded.end()}, 6);
    const DecodeResult full = DecodeBytes(jpeg, "turned.jpg", Size{});
    ASSERT_TRUE(full.ok()) << full.message;
    ASSERT_EQ(full.natural, (Size{400, 1600}));
    ASSERT_EQ(full.image.width(), 400);
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
                           "good/tif/sample-rgb24-deflate.tif", "good/pic/radiance_shingles.pic"};
    std::vector<Image> here;
    for (const char* f : files) {
        here.push_back(DecodeFile((kDir / f).string(), Size{300, 200}).image);
    }
    std::vector<Image> there(std::size(files));
    std::vector<std::thread> workers;
    for (std::size_t i = 0; i < std::size(files); ++i) {
        workers.emplace_back([&, i] { there[i] = DecodeFile((kDir / files[i]).string(), Size{300, 200}).image; });
    }
    for (auto& w : workers) {
        w.join();
    }
    for (std::size_t i = 0; i < std::size(files); ++i) {
        EXPECT_FALSE(there[i].empty()) << files[i];
        EXPECT_TRUE(there[i] == here[i]) << files[i];
    }
}

TEST(DecodeUtahRle, RowsAreReadBottomUp)
{
    // A 4x2 Utah Raster Toolkit picture, three channels, no background:
    // the first row in the file is the bottom one.
    std::vector<std::uint8_t> file = {0x52, 0xcc, 0, 0, 0, 0, 4, 0, 2, 0, 0x02, 3, 8, 0, 0, 0};
    const std::uint8_t rows[2][3][4] = {
        {{255, 255, 255, 255}, {0, 0, 0, 0}, {0, 0, 0, 0}},     // bottom: red
        {{0, 0, 10, 200}, {0, 255, 20, 100}, {255, 0, 30, 50}}, // top
    };
    for (const auto& row : rows) {
        for (std::uint8_t channel = 0; channel < 3; ++channel) {
            file.insert(file.end(), {0x02, channel, 0x05, 3});
            file.insert(file.end(), row[channel], row[channel] + 4);
        }
        file.insert(file.end(), {0x01, 1});
    }
    file.insert(file.end(), {0x07, 0});
    const DecodeResult r = DecodeBytes(file, "art.rle", Size{});
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(r.decoder, "utah-rle");
    ASSERT_EQ(r.natural, (Size{4, 2}));
    EXPECT_EQ(r.image.at(0, 0), Argb(0, 0, 255));
    EXPECT_EQ(r.image.at(1, 0), Argb(0, 255, 0));
    EXPECT_EQ(r.image.at(3, 0), Argb(200, 100, 50));
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(r.image.at(x, 1), Argb(255, 0, 0));
    }
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

TEST(DecodeRadiance, ExposureAndGammaGiveAVisiblePicture)
{
    const DecodeResult r = DecodeFile((kDir / "good/pic/radiance_shingles.pic").string(), Size{});
    ASSERT_TRUE(r.ok());
    // A photograph of a roof: neither black nor burnt out, and not flat.
    double sum = 0;
    std::uint32_t lo = 255;
    std::uint32_t hi = 0;
    for (std::size_t i = 0; i < r.image.pixel_count(); ++i) {
        const std::uint32_t g = (r.image.data()[i] >> 8) & 0xff;
        sum += g;
        lo = std::min(lo, g);
        hi = std::max(hi, g);
    }
    const double mean = sum / static_cast<double>(r.image.pixel_count());
    EXPECT_GT(mean, 40);
    EXPECT_LT(mean, 215);
    EXPECT_GT(hi - lo, 60u);
}

} // namespace
} // namespace framory::media
