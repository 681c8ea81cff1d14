// Standalone executables: the image and the 24-byte trailer written by
// write_bundle and read back, and what the trailer asks of the window.
#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "host/engine.h"

namespace kov::host {
namespace {

struct BundleTest : ::testing::Test {
    std::string dir;
    void SetUp() override {
        char pattern[] = "/tmp/kov_bundle_XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override { std::system(("rm -rf '" + dir + "'").c_str()); }
    std::string write(const std::string& name, const std::vector<uint8_t>& bytes) {
        const std::string path = dir + "/" + name;
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    std::vector<uint8_t> read(const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(f), {}};
    }
    static void put32(std::vector<uint8_t>& v, int32_t x) {
        for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(static_cast<uint32_t>(x) >> (8 * i)));
    }
};

const std::vector<uint8_t> kEngine(1000, 0x90);
const std::vector<uint8_t> kImage = {0x0D, 0x00, 0x0A, 0x07, 0xF1, '"', 'h', 'i', '"', 0x0D, 0x00, 0xFF, 0xFF};

TEST(WindowRequest, FromTheTrailerWords) {
    WindowRequest r = window_request(INT32_MIN, INT32_MIN, 1);   // CW_USEDEFAULT, shown as asked
    EXPECT_EQ(r.client_width, 0);
    EXPECT_EQ(r.client_height, 0);
    EXPECT_FALSE(r.maximised);
    r = window_request(320, 200, 3);
    EXPECT_EQ(r.client_width, 320);
    EXPECT_EQ(r.client_height, 200);
    EXPECT_TRUE(r.maximised);
    // Sizes that are not positive take the default, those beyond the
    // shadow bitmap are cut to it; only show value 3 maximises.
    r = window_request(0, -5, 2);
    EXPECT_EQ(r.client_width, 0);
    EXPECT_EQ(r.client_height, 0);
    EXPECT_FALSE(r.maximised);
    r = window_request(INT32_MAX, 5000, 0);
    EXPECT_EQ(r.client_width, kShadowWidth);
    EXPECT_EQ(r.client_height, kShadowHeight);
}

TEST_F(BundleTest, ImageAndWindowRoundTrip) {
    const std::string engine = write("engine", kEngine);
    std::string error;
    ASSERT_TRUE(write_bundle(engine, kImage, dir + "/app", error, WindowRequest{400, 300, true})) << error;
    const std::vector<uint8_t> app = read(dir + "/app");
    ASSERT_EQ(app.size(), kEngine.size() + kImage.size() + 24);
    std::vector<uint8_t> image;
    WindowRequest window;
    ASSERT_TRUE(read_appended_image(dir + "/app", image, size_t{1} << 20, &window));
    EXPECT_EQ(image, kImage);
    EXPECT_EQ(window.client_width, 400);
    EXPECT_EQ(window.client_height, 300);
    EXPECT_TRUE(window.maximised);

    // Bundling again from the bundle replaces the image and the trailer.
    const std::vector<uint8_t> other = {0x0D, 0x00, 0xFF, 0xFF};
    ASSERT_TRUE(write_bundle(dir + "/app", other, dir + "/app2", error)) << error;
    EXPECT_EQ(read(dir + "/app2").size(), kEngine.size() + other.size() + 24);
    ASSERT_TRUE(read_appended_image(dir + "/app2", image, size_t{1} << 20, &window));
    EXPECT_EQ(image, other);
    EXPECT_EQ(window.client_width, 0);   // written as CW_USEDEFAULT
    EXPECT_FALSE(window.maximised);
}

TEST_F(BundleTest, TrailersThatNameNoImage) {
    std::vector<uint8_t> image;
    // Too short to hold a trailer, and a missing file.
    EXPECT_FALSE(read_appended_image(write("short", std::vector<uint8_t>(23, 1)), image));
    EXPECT_FALSE(read_appended_image(dir + "/missing", image));
    auto with_offset = [&](int32_t offset) {
        std::vector<uint8_t> f = kEngine;
        f.insert(f.end(), kImage.begin(), kImage.end());
        put32(f, 640);
        put32(f, 512);
        put32(f, 1);
        put32(f, 0);
        put32(f, 0);
        put32(f, offset);
        return write("offset" + std::to_string(offset), f);
    };
    const int32_t p = static_cast<int32_t>(kEngine.size() + kImage.size());   // the file size minus 24
    EXPECT_FALSE(read_appended_image(with_offset(0), image));
    EXPECT_FALSE(read_appended_image(with_offset(p), image));
    EXPECT_FALSE(read_appended_image(with_offset(-1), image));
    EXPECT_FALSE(read_appended_image(with_offset(INT32_MIN), image));
    ASSERT_TRUE(read_appended_image(with_offset(p - 1), image));
    EXPECT_EQ(image.size(), 1u);
    // An image larger than the caller takes is not read.
    EXPECT_FALSE(read_appended_image(with_offset(static_cast<int32_t>(kEngine.size())), image, kImage.size() - 1));
    WindowRequest window;
    ASSERT_TRUE(read_appended_image(with_offset(static_cast<int32_t>(kEngine.size())), image, kImage.size(), &window));
    EXPECT_EQ(image, kImage);
    EXPECT_EQ(window.client_width, 640);
}

}  // namespace
}  // namespace kov::host
