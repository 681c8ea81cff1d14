// BMP files: ImageMagick's files of every common depth read back with the
// right pixels, 24-bit files written and read again, lying headers
// refused, and the nearest-pixel stretch.
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "os/bitmap.h"

using kov::os::Image;

namespace {

// A picture written as PPM text, converted by ImageMagick with `options`
// to the BMP variant `format` (files named per process: tests run in
// parallel).
std::vector<uint8_t> convert_to_bmp(const Image& img, const std::string& options, const std::string& format = "BMP3") {
    const std::string stem = "/tmp/kov_bmp_test_" + std::to_string(getpid());
    const std::string ppm = stem + ".ppm", bmp = stem + ".bmp";
    std::FILE* f = std::fopen(ppm.c_str(), "w");
    std::fprintf(f, "P3\n%d %d\n255\n", img.width, img.height);
    for (uint32_t p : img.pixels) std::fprintf(f, "%u %u %u\n", p >> 16, (p >> 8) & 255, p & 255);
    std::fclose(f);
    std::string cmd = "convert " + ppm + " " + options + " " + format + ":" + bmp + " 2>/dev/null";
    if (std::system(cmd.c_str()) != 0) return {};
    std::ifstream in(bmp.substr(0), std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::remove(ppm.c_str());
    std::remove(bmp.c_str());
    return bytes;
}

Image pattern(int w, int h, int colours) {
    Image img;
    img.width = w;
    img.height = h;
    for (int i = 0; i < w * h; ++i) {
        int c = i % colours;
        img.pixels.push_back(colours == 2 ? (c ? 0xFFFFFFu : 0u)
                                          : static_cast<uint32_t>((c * 37 % 256) << 16 | (c * 91 % 256) << 8 | (c * 13 + 7) % 256));
    }
    return img;
}

int bits_of(const std::vector<uint8_t>& bmp) { return bmp.size() > 30 ? bmp[28] | (bmp[29] << 8) : 0; }

}  // namespace

TEST(Bitmap, ImageMagickFilesOfEveryDepth) {
    if (!kov::os::bitmaps_available()) GTEST_SKIP() << "built without stb_image";
    if (std::system("command -v convert >/dev/null 2>&1") != 0) GTEST_SKIP() << "no ImageMagick";
    struct Case { int colours; const char* options; int bits; };
    const Case cases[] = {
        {2, "-type bilevel", 1},
        {15, "-type palette", 4},
        {40, "-type palette -compress none", 8},
        {40, "-type truecolor", 24},
        {40, "-alpha on -define bmp:format=bmp4", 32},
    };
    for (const Case& c : cases) {
        // Odd widths make the rows need padding.
        Image img = pattern(7, 5, c.colours);
        std::vector<uint8_t> bmp = convert_to_bmp(img, c.options, c.bits == 32 ? "BMP" : "BMP3");
        ASSERT_FALSE(bmp.empty()) << c.options;
        ASSERT_EQ(bits_of(bmp), c.bits) << c.options;
        Image got;
        std::string error;
        ASSERT_TRUE(kov::os::decode_bmp(bmp.data(), bmp.size(), got, error)) << c.bits << ": " << error;
        ASSERT_EQ(got.width, 7);
        ASSERT_EQ(got.height, 5);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x) EXPECT_EQ(got.at(x, y), img.at(x, y)) << c.bits << " bits at " << x << "," << y;
    }
}

TEST(Bitmap, WrittenFilesReadBackAndHaveTheHeaderFields) {
    Image img = pattern(5, 3, 40);
    std::vector<uint8_t> bmp = kov::os::encode_bmp24(img);
    // 5 pixels of 3 bytes padded to 16 bytes a row.
    ASSERT_EQ(bmp.size(), 54u + 16 * 3);
    EXPECT_EQ(bmp[10], 54);
    EXPECT_EQ(bmp[14], 40);
    EXPECT_EQ(bits_of(bmp), 24);
    EXPECT_EQ(bmp[34], 48);   // image size
    // The bottom row comes first, blue byte first.
    EXPECT_EQ(bmp[54], img.at(0, 2) & 255);
    EXPECT_EQ(bmp[56], img.at(0, 2) >> 16);
    if (!kov::os::bitmaps_available()) return;
    Image got;
    std::string error;
    ASSERT_TRUE(kov::os::decode_bmp(bmp.data(), bmp.size(), got, error)) << error;
    EXPECT_EQ(got.pixels, img.pixels);
}

TEST(Bitmap, LyingHeadersAreRefusedBeforeAnyAllocation) {
    std::vector<uint8_t> bmp = kov::os::encode_bmp24(pattern(4, 4, 40));
    Image got;
    std::string error;
    // Truncated pixel rows.
    EXPECT_FALSE(kov::os::decode_bmp(bmp.data(), bmp.size() - 1, got, error));
    // A huge width with a file of a few bytes.
    std::vector<uint8_t> huge = bmp;
    huge[21] = 0x7F;
    EXPECT_FALSE(kov::os::decode_bmp(huge.data(), huge.size(), got, error));
    // A pixel offset past the end, a zero height, no signature.
    std::vector<uint8_t> far = bmp;
    far[13] = 0x40;
    EXPECT_FALSE(kov::os::decode_bmp(far.data(), far.size(), got, error));
    std::vector<uint8_t> flat = bmp;
    flat[22] = 0;
    EXPECT_FALSE(kov::os::decode_bmp(flat.data(), flat.size(), got, error));
    EXPECT_FALSE(kov::os::decode_bmp(bmp.data() + 1, bmp.size() - 1, got, error));
    EXPECT_FALSE(kov::os::decode_bmp(bmp.data(), 20, got, error));
}

TEST(Bitmap, NearestPixelStretch) {
    Image img = pattern(2, 2, 4);
    Image big = kov::os::scale_nearest(img, 4, 6);
    ASSERT_EQ(big.pixels.size(), 24u);
    EXPECT_EQ(big.at(0, 0), img.at(0, 0));
    EXPECT_EQ(big.at(1, 2), img.at(0, 0));
    EXPECT_EQ(big.at(2, 2), img.at(1, 0));
    EXPECT_EQ(big.at(3, 3), img.at(1, 1));
    EXPECT_EQ(big.at(0, 5), img.at(0, 1));
    Image small = kov::os::scale_nearest(big, 2, 2);
    EXPECT_EQ(small.pixels, img.pixels);
}

TEST(Bitmap, StretchedPartIsACropOfTheWhole) {
    Image img = pattern(3, 5, 7);
    Image whole = kov::os::scale_nearest(img, 17, 11);
    Image part = kov::os::scale_nearest_part(img, 17, 11, 4, 3, 9, 20);
    ASSERT_EQ(part.width, 9);
    ASSERT_EQ(part.height, 8);   // clipped to the scaled image
    for (int y = 0; y < part.height; ++y)
        for (int x = 0; x < part.width; ++x) EXPECT_EQ(part.at(x, y), whole.at(x + 4, y + 3)) << x << "," << y;
    EXPECT_TRUE(kov::os::scale_nearest_part(img, 17, 11, 17, 0, 5, 5).pixels.empty());
    // A stretch far past any screen costs only the part asked for.
    Image corner = kov::os::scale_nearest_part(img, 50000000, 50000000, 0, 0, 2, 2);
    EXPECT_EQ(corner.pixels.size(), 4u);
    EXPECT_EQ(corner.at(1, 1), img.at(0, 0));
}

TEST(Bitmap, RunLengthCodedFiles) {
    // ImageMagick writes 8-bit run-length files: runs and single pixels.
    if (std::system("command -v convert >/dev/null 2>&1") == 0) {
        Image img;
        img.width = 300;
        img.height = 4;
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 300; ++x) img.pixels.push_back(x < 280 ? 0xFF0000u * (y & 1) : (x * 2651u) & 0xE0E0E0u);
        std::vector<uint8_t> bmp = convert_to_bmp(img, "-type palette -compress RLE");
        ASSERT_GT(bmp.size(), 34u);
        ASSERT_EQ(bmp[30], 1) << "not run-length coded";
        Image got;
        std::string error;
        ASSERT_TRUE(kov::os::decode_bmp(bmp.data(), bmp.size(), got, error)) << error;
        ASSERT_EQ(got.pixels.size(), img.pixels.size());
        EXPECT_EQ(got.pixels, img.pixels);
    }
    // 4-bit coding by hand, 6 × 3, bottom row first: a run of 5 alternating
    // colours 1 and 2, end of line; a delta of (2, 0) then 3 pixels given
    // one by one (3, 4, 5, padded); end of line; one pixel of 6; end.
    std::vector<uint8_t> bmp(54 + 16 * 4, 0);
    bmp[0] = 'B', bmp[1] = 'M';
    bmp[14] = 40, bmp[18] = 6, bmp[22] = 3, bmp[26] = 1, bmp[28] = 4, bmp[30] = 2;
    for (int i = 0; i < 16; ++i) bmp[54 + 4 * i + 2] = static_cast<uint8_t>(i * 16);   // red = 16 × index
    const uint8_t codes[] = {5, 0x12, 0, 0, 0, 2, 2, 0, 0, 3, 0x34, 0x50, 0, 0, 1, 0x60, 0, 1};
    bmp[10] = static_cast<uint8_t>(bmp.size());
    bmp.insert(bmp.end(), std::begin(codes), std::end(codes));
    Image got;
    std::string error;
    ASSERT_TRUE(kov::os::decode_bmp(bmp.data(), bmp.size(), got, error)) << error;
    auto red = [&](int x, int y) { return static_cast<int>(got.at(x, y) >> 20); };   // the index back
    const int expected[3][6] = {{6, 0, 0, 0, 0, 0}, {0, 0, 3, 4, 5, 0}, {1, 2, 1, 2, 1, 0}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(red(x, y), expected[y][x]) << x << "," << y;
    // Claiming a picture far larger than its codes could ever fill.
    bmp[19] = 0x40;
    EXPECT_FALSE(kov::os::decode_bmp(bmp.data(), bmp.size(), got, error));
}
