// The public test suites (PngSuite, the BMP suite, a GIF suite, libtiff's
// pictures and others, in tests/data/pictures/suite) against renderings
// made once by independent decoders (tests/data/pictures/make_references.py):
// each picture's upright size and the mean colour of each cell of a grid,
// within the tolerance written on its line, or refused for the reason
// written there. The Windows build runs this same file under Wine.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "media/decode/decode.h"

namespace framory::media {
namespace {

namespace fs = std::filesystem;

const fs::path kSuite = fs::path(FRAMORY_PICTURES_DIR) / "suite";

struct Reference {
    std::string path;
    std::string decoder; // which decoder made the reference, or "refused"
    Size size;
    int tolerance = 0;
    int grid_w = 0;
    int grid_h = 0;
    std::string cells;  // RRGGBBAA per cell, premultiplied colour
    std::string status; // of a refusal
    std::string reason;
};

std::vector<Reference> ReferencesUnder(const std::string& folder)
{
    std::ifstream in(kSuite / "references.txt");
    std::vector<Reference> out;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.starts_with(folder + "/")) {
            continue;
        }
        std::istringstream fields(line);
        Reference r;
        fields >> r.path >> r.decoder;
        if (r.decoder == "refused") {
            fields >> r.status;
            std::getline(fields >> std::ws, r.reason);
        } else {
            char x = 0;
            fields >> r.size.width >> x >> r.size.height >> r.tolerance >> r.grid_w >> x >> r.grid_h >> r.cells;
        }
        out.push_back(r);
    }
    return out;
}

// Files this build's readers are known not to meet, named in a file whose
// bracketed lines give the reason for the names that follow; only the
// Windows build under Wine has one (tests/win32/suite_left_out.txt).
std::set<std::string> LeftOut()
{
    std::set<std::string> names;
#ifdef FRAMORY_SUITE_LEFT_OUT
    std::ifstream in(FRAMORY_SUITE_LEFT_OUT);
    EXPECT_TRUE(in.good()) << FRAMORY_SUITE_LEFT_OUT;
    std::string line;
    while (std::getline(in, line)) {
        if (line.starts_with("#") || line.starts_with("[")) {
            continue;
        }
        std::istringstream words(line);
        for (std::string name; words >> name;) {
            names.insert(name);
        }
    }
#endif
    return names;
}

// The mean of each channel over a cell, colour premultiplied by alpha, as
// the reference script computes it.
std::array<int, 4> CellMean(const Image& image, int i, int j, int gw, int gh)
{
    const int w = image.width();
    const int h = image.height();
    std::array<double, 4> sum{};
    int count = 0;
    for (int y = h * j / gh; y < h * (j + 1) / gh; ++y) {
        for (int x = w * i / gw; x < w * (i + 1) / gw; ++x) {
            const std::uint32_t p = image.at(x, y);
            const double a = (p >> 24) / 255.0;
            sum[0] += ((p >> 16) & 0xff) * a;
            sum[1] += ((p >> 8) & 0xff) * a;
            sum[2] += (p & 0xff) * a;
            sum[3] += p >> 24;
            ++count;
        }
    }
    std::array<int, 4> mean{};
    for (std::size_t c = 0; c < 4; ++c) {
        mean[c] = static_cast<int>(sum[c] / std::max(count, 1) + 0.5);
    }
    return mean;
}

std::string StatusWord(DecodeStatus status)
{
    std::string word(StatusName(status));
    std::replace(word.begin(), word.end(), ' ', '-');
    return word;
}

void CheckSuite(const std::string& folder)
{
    const std::vector<Reference> references = ReferencesUnder(folder);
    // Every picture of the folder has its line.
    std::size_t pictures = 0;
    for (const auto& entry : fs::recursive_directory_iterator(kSuite / folder)) {
        const std::string ext = entry.path().extension().string();
        if (entry.is_regular_file() && ext != ".LICENSE" && ext != ".md") {
            ++pictures;
            const std::string rel = fs::relative(entry.path(), kSuite).generic_string();
            EXPECT_TRUE(std::any_of(references.begin(), references.end(),
                                    [&](const Reference& r) { return r.path == rel; }))
                << rel << " has no reference";
        }
    }
    ASSERT_GT(pictures, 0u);
    EXPECT_EQ(pictures, references.size());

    const std::set<std::string> left_out = LeftOut();
    for (const Reference& ref : references) {
        SCOPED_TRACE(ref.path + " against " + ref.decoder);
        const DecodeResult r = DecodeFile((kSuite / ref.path).string(), Size{});
        if (left_out.contains(ref.path)) {
            continue;
        }
        if (ref.decoder == "refused") {
            EXPECT_EQ(StatusWord(r.status), ref.status) << r.message;
            EXPECT_NE(r.message.find(ref.reason), std::string::npos) << r.message;
            EXPECT_TRUE(r.image.empty());
            continue;
        }
        // One picture's failure does not hide the next one's.
        if (!r.ok() || r.natural != ref.size || r.image.width() != ref.size.width ||
            ref.cells.size() != static_cast<std::size_t>(ref.grid_w * ref.grid_h * 8)) {
            ADD_FAILURE() << StatusName(r.status) << " " << r.message << ", " << r.natural.width << "x"
                          << r.natural.height << " against " << ref.size.width << "x" << ref.size.height;
            continue;
        }
        int worst = 0;
        std::string where;
        for (int j = 0; j < ref.grid_h; ++j) {
            for (int i = 0; i < ref.grid_w; ++i) {
                const std::array<int, 4> ours = CellMean(r.image, i, j, ref.grid_w, ref.grid_h);
                for (std::size_t c = 0; c < 4; ++c) {
                    const std::size_t at = static_cast<std::size_t>((j * ref.grid_w + i) * 8) + c * 2;
                    const int want = std::stoi(ref.cells.substr(at, 2), nullptr, 16);
                    if (std::abs(ours[c] - want) > worst) {
                        worst = std::abs(ours[c] - want);
                        where = "cell " + std::to_string(i) + "," + std::to_string(j) + " channel " +
                                std::to_string(c) + ": ours " + std::to_string(ours[c]) + ", reference " +
                                std::to_string(want);
                    }
                }
            }
        }
        EXPECT_LE(worst, ref.tolerance) << where;
    }
}

TEST(PublicSuite, PngSuite) { CheckSuite("png"); }
TEST(PublicSuite, BmpSuite) { CheckSuite("bmp"); }
TEST(PublicSuite, GifSuite) { CheckSuite("gif"); }
TEST(PublicSuite, TiffPictures) { CheckSuite("tif"); }
TEST(PublicSuite, JpegPictures) { CheckSuite("jpg"); }
TEST(PublicSuite, RadianceInEveryOrientation) { CheckSuite("hdr"); }
TEST(PublicSuite, UtahRle) { CheckSuite("rle"); }

} // namespace
} // namespace framory::media
