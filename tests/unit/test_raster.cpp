// The rasteriser and the PLOT codes against reference images made by the
// platform's drawing library (tests/screens/raster): each .gdi script is
// drawn with our primitives and each .vdu stream through the VDU driver,
// and every pixel must equal the reference. Then the PLOT edge cases,
// POINT and TINT, and flood fills of the largest bitmap and of a maze.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "host/surface.h"
#include "tests/unit/gdi_script.h"
#include "tests/unit/test_support.h"
#include "vdu/vdu.h"

namespace kov::vdu {
namespace {

const std::string kDir = std::string(KOV_SOURCE_DIR) + "/tests/screens/raster/";

std::string slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

// Counts the pixels that differ in the reference's area, listing a few.
int differences(const test::Image& ref, const uint32_t* ours, int stride, std::string& where) {
    int bad = 0;
    for (int y = 0; y < ref.height; ++y)
        for (int x = 0; x < ref.width; ++x)
            if ((ours[static_cast<size_t>(y) * stride + x] & 0xFFFFFF) != ref.at(x, y)) {
                if (bad++ < 5) where += " (" + std::to_string(x) + "," + std::to_string(y) + ")";
            }
    return bad;
}

TEST(RasterOracle, PrimitivesMatchTheReferenceImages) {
    for (const char* name : {"lines-octants", "lines-styled", "polygons", "ellipses", "flood", "blit", "arcs", "arcs-axes"}) {
        SCOPED_TRACE(name);
        test::Image ref;
        ASSERT_TRUE(test::read_png(kDir + name + ".png", ref));
        std::string error;
        test::Image ours = test::run_gdi(slurp(kDir + name + ".gdi"), error);
        ASSERT_EQ(error, "");
        std::string where;
        EXPECT_EQ(differences(ref, ours.px.data(), ours.width, where), 0) << where;
    }
}

struct QuietClient : Client {
    void error(int, const char*) override {}
};

class PlotTest : public ::testing::Test {
protected:
    host::HeadlessSurface surface;
    QuietClient client;
    Vdu vdu{test::shared_memory(), surface, client};
    void SetUp() override {
        vdu.set_font_loader(nullptr);
        vdu.start();
    }
    void send(std::initializer_list<int> bytes) {
        for (int b : bytes) vdu.write(static_cast<uint8_t>(b));
    }
    void plot(int k, int x, int y) { send({25, k, x & 255, (x >> 8) & 255, y & 255, (y >> 8) & 255}); }
    uint32_t at(int x, int y) { return vdu.pixel(x, y); }
};

// Whole PLOT streams (lines of every style and octant, clipping, fills,
// mixes, block copies) against the reference renderer's drawing of the
// same calls.
TEST_F(PlotTest, PlotStreamsMatchTheReferenceImages) {
    for (const char* name : {"plot-lines", "plot-fills", "plot-shapes", "plot-arcs"}) {
        SCOPED_TRACE(name);
        vdu.start();
        for (char c : slurp(kDir + name + ".vdu")) vdu.write(static_cast<uint8_t>(c));
        test::Image ref;
        ASSERT_TRUE(test::read_png(kDir + name + ".png", ref));
        std::string where;
        EXPECT_EQ(differences(ref, vdu.pixels(), host::kShadowWidth, where), 0) << where;
    }
}

TEST_F(PlotTest, EdgeCasesOfThePlotCodes) {
    send({22, 8});
    const uint32_t white = 0xC8C8C8;
    // Corner to corner in a 640×512 mode, both ends included.
    plot(4, 0, 0);
    plot(5, 1279, 1023);
    EXPECT_EQ(at(0, 511), white);
    EXPECT_EQ(at(639, 0), white);
    EXPECT_EQ(at(640, 0), 0u);
    // A relative line with its end point left out.
    send({22, 8});
    plot(4, 0, 0);
    plot(9, 100, 0);
    EXPECT_EQ(at(49, 511), white);
    EXPECT_EQ(at(50, 511), 0u);
    EXPECT_EQ(vdu.get32(blk::GCurX), 50);
    // Odd relative steps lose their half pixel before they are added.
    plot(0, 1, 1);
    EXPECT_EQ(vdu.get32(blk::GCurX), 50);
    EXPECT_EQ(vdu.get32(blk::GCurY), 511);
    plot(0, -1, -1);
    EXPECT_EQ(vdu.get32(blk::GCurX), 49);
    EXPECT_EQ(vdu.get32(blk::GCurY), 512);
    // CIRCLE 640,512,101 has radius 50; radius 3 units is 0 pixels.
    send({22, 8});
    plot(4, 640, 512);
    plot(153, 101, 0);
    EXPECT_EQ(at(320 + 49, 255), white);
    EXPECT_EQ(at(320 + 51, 255), 0u);
    EXPECT_EQ(at(320 - 50, 255), white);
    send({22, 8});
    plot(4, 640, 512);
    plot(145, 3, 0);
    for (int y = 250; y < 260; ++y)
        for (int x = 315; x < 325; ++x) EXPECT_EQ(at(x, y), 0u);
}

TEST_F(PlotTest, GraphicsWindowAcceptanceAndPoint) {
    send({22, 8});
    send({24, 0, 0, 0, 0, 1280 & 255, 1280 >> 8, 1024 & 255, 1024 >> 8});   // right would be 641
    EXPECT_EQ(vdu.graphics_window().right, 640);
    send({24, 10, 0, 20, 0, 1279 & 255, 1279 >> 8, 1023 & 255, 1023 >> 8});
    EXPECT_EQ(vdu.graphics_window().left, 5);
    EXPECT_EQ(vdu.graphics_window().bottom, 512 - 10);
    EXPECT_EQ(vdu.read_point(-10, -10, false), -1);
    EXPECT_EQ(vdu.read_point(0, 100, false), -1);   // left of the window
    EXPECT_EQ(vdu.read_point(100, 100, false), 0);
    send({18, 0, 9});
    plot(69, 100, 100);
    EXPECT_EQ(vdu.read_point(100, 100, false), 9);
    EXPECT_EQ(vdu.read_point(100, 100, true), 0x3838F8);   // red in the low byte
    // A window the origin moved: later origin changes leave it alone.
    send({29, 100, 0, 0, 0});
    EXPECT_EQ(vdu.graphics_window().left, 5);
    EXPECT_EQ(vdu.read_point(0, 100, false), 9);
    // CLG with a mix other than copy leaves the window's last row and column.
    send({26, 18, 3, 128 + 1, 16});
    EXPECT_EQ(at(0, 0), 0xC80000u);
    EXPECT_EQ(at(638, 510), 0xC80000u);
    EXPECT_EQ(at(639, 511), 0u);
}

TEST_F(PlotTest, TeletextIgnoresPlot) {
    send({22, 7});
    const int32_t x = vdu.get32(blk::GCurX), y = vdu.get32(blk::GCurY);
    plot(5, 1000, 800);
    EXPECT_EQ(vdu.get32(blk::GCurX), x);
    EXPECT_EQ(vdu.get32(blk::GCurY), y);
    send({16});   // CLG does nothing either
    EXPECT_EQ(at(600, 300), 0u);
}

// A flood fill of the whole 1600×1200 bitmap and of a maze (one long
// corridor that doubles back on every row) finishes without recursion.
TEST_F(PlotTest, FloodFillsTheLargestScreenAndAMaze) {
    send({22, 31, 18, 0, 3});
    plot(4, 0, 0);
    plot(133, 1000, 1000);
    EXPECT_EQ(at(0, 0), 0xC8C800u);
    EXPECT_EQ(at(1599, 1199), 0xC8C800u);
    send({22, 31, 18, 0, 7});
    // Walls every other row with a gap alternating at the ends.
    for (int row = 1; row < 1199; row += 2) {
        const int y = 2 * (1199 - row);
        const bool gap_left = (row / 2) % 2;
        plot(4, gap_left ? 2 : 0, y);
        plot(5, gap_left ? 3198 : 3196, y);
    }
    send({18, 0, 129});
    plot(143, 0, 2 * 1199);
    EXPECT_EQ(at(0, 0), 0xC80000u);
    EXPECT_EQ(at(800, 1198), 0xC80000u);
    EXPECT_EQ(at(800, 1), 0xC8C8C8u);   // a wall stays
}

}  // namespace
}  // namespace kov::vdu
