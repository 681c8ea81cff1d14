// Text benchmark of the VDU driver, headless: characters drawn per second
// (printing with wrapping and scrolling) and scrolls per second in MODE 0
// and MODE 31, each scroll compared with a plain memmove of the same
// pixel bytes measured in the same run.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "host/surface.h"
#include "interp/memory.h"
#include "vdu/vdu.h"

using namespace kov;
using Clock = std::chrono::steady_clock;

namespace {

struct NoClient : vdu::Client {
    void error(int, const char*) override {}
};

double seconds_since(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

}  // namespace

int main() {
    static interp::Memory memory;
    if (!memory.map()) {
        std::fprintf(stderr, "text_bench: cannot map the BASIC memory\n");
        return 2;
    }
    host::HeadlessSurface surface;
    NoClient client;
    vdu::Vdu vdu(memory, surface, client);
    vdu.start();
    std::printf("%-6s %14s %14s %12s %12s %8s\n", "MODE", "chars/s", "wrapping/s", "scrolls/s", "memmove/s",
                "ratio");
    for (int mode : {0, 31}) {
        vdu.write(22);
        vdu.write(static_cast<uint8_t>(mode));
        const int w = vdu.get32(vdu::blk::ClientW), h = vdu.get32(vdu::blk::ClientH);
        const int ch = vdu.get32(vdu::blk::CharH);
        // Drawing: a screenful at a time, then home (no scrolling).
        const long screen = static_cast<long>(w / vdu.get32(vdu::blk::CharW)) * (h / ch) - 1;
        const long chars = 4000000;
        auto t = Clock::now();
        for (long i = 0, k = 0; i < chars; ++i) {
            vdu.write(static_cast<uint8_t>(33 + i % 90));
            if (++k == screen) {
                vdu.write(30);
                k = 0;
            }
        }
        const double tc = seconds_since(t);
        // Printing that wraps and scrolls at the bottom.
        const long wrapping = mode == 0 ? 1000000 : 200000;
        t = Clock::now();
        for (long i = 0; i < wrapping; ++i) vdu.write(static_cast<uint8_t>(33 + i % 90));
        const double tw = seconds_since(t);
        // Scrolling: line feeds on the bottom row.
        vdu.write(31);
        vdu.write(0);
        vdu.write(static_cast<uint8_t>(h / ch - 1));
        const int scrolls = mode == 0 ? 20000 : 4000;
        t = Clock::now();
        for (int i = 0; i < scrolls; ++i) vdu.write(10);
        const double ts = seconds_since(t);
        // The limit: moving the same bytes with memmove.
        std::vector<uint32_t> pixels(static_cast<size_t>(host::kShadowWidth) * host::kShadowHeight, 1);
        const size_t row_bytes = sizeof(uint32_t) * w;
        t = Clock::now();
        for (int i = 0; i < scrolls; ++i) {
            if (w == host::kShadowWidth) {
                std::memmove(pixels.data(), pixels.data() + static_cast<size_t>(ch) * host::kShadowWidth,
                             row_bytes * (h - ch));
            } else {
                for (int y = 0; y + ch < h; ++y)
                    std::memmove(pixels.data() + static_cast<size_t>(y) * host::kShadowWidth,
                                 pixels.data() + static_cast<size_t>(y + ch) * host::kShadowWidth, row_bytes);
            }
        }
        const double tm = seconds_since(t);
        std::printf("%-6d %14.0f %14.0f %12.0f %12.0f %8.2f\n", mode, chars / tc, wrapping / tw, scrolls / ts,
                    scrolls / tm, ts / tm);
    }
    return 0;
}
