// Graphics benchmark of the VDU driver, headless, in MODE 8 (640×512):
// PLOT streams through the VDU as a program sends them. Short lines (a
// random walk of 20-pixel segments), filled triangles and filled circles
// of about 20 pixels across, and flood fills of a 100×100 square whose
// border stays (the square is filled alternately in two colours, so each
// fill has work to do). Reports operations per second.
#include <chrono>
#include <cstdint>
#include <cstdio>

#include "host/surface.h"
#include "interp/memory.h"
#include "vdu/vdu.h"

using namespace kov;
using Clock = std::chrono::steady_clock;

namespace {

struct NoClient : vdu::Client {
    void error(int, const char*) override {}
};

double seconds_since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

// A small deterministic generator, so every run draws the same shapes.
struct Lcg {
    uint32_t s = 12345;
    int next(int n) {
        s = s * 1103515245u + 12345u;
        return static_cast<int>((s >> 8) % static_cast<uint32_t>(n));
    }
};

class Driver {
public:
    explicit Driver(vdu::Vdu& v) : m_vdu(v) {}
    void send(std::initializer_list<int> bytes) {
        for (int b : bytes) m_vdu.write(static_cast<uint8_t>(b));
    }
    void plot(int k, int x, int y) { send({25, k, x & 255, (x >> 8) & 255, y & 255, (y >> 8) & 255}); }

private:
    vdu::Vdu& m_vdu;
};

}  // namespace

int main() {
    static interp::Memory memory;
    if (!memory.map()) {
        std::fprintf(stderr, "graphics_bench: cannot map the BASIC memory\n");
        return 2;
    }
    host::HeadlessSurface surface;
    NoClient client;
    vdu::Vdu vdu(memory, surface, client);
    vdu.start();
    Driver d(vdu);
    Lcg rng;
    d.send({22, 8});
    std::printf("%-28s %10s %10s %14s\n", "graphics (MODE 8)", "count", "seconds", "per second");
    auto report = [](const char* what, long n, double s) {
        std::printf("%-28s %10ld %10.3f %14.0f\n", what, n, s, n / s);
    };

    // Lines: segments of 20 pixels (40 units) in random directions.
    {
        const long n = 100000;
        int x = 640, y = 512;
        d.send({18, 0, 3});
        d.plot(4, x, y);
        auto t = Clock::now();
        for (long i = 0; i < n; ++i) {
            x = 40 + (x + rng.next(81) - 40 + 1200) % 1200;
            y = 40 + (y + rng.next(81) - 40 + 944) % 944;
            d.plot(5, x, y);
        }
        report("short lines", n, seconds_since(t));
    }
    // Filled triangles about 20 pixels across.
    {
        const long n = 20000;
        d.send({16});
        auto t = Clock::now();
        for (long i = 0; i < n; ++i) {
            const int x = 40 + rng.next(1200), y = 40 + rng.next(944);
            d.send({18, 0, 1 + static_cast<int>(i % 15)});
            d.plot(4, x, y);
            d.plot(4, x + 40, y + 8);
            d.plot(85, x + 12, y + 40);
        }
        report("filled triangles", n, seconds_since(t));
    }
    // Filled circles of radius 10 pixels.
    {
        const long n = 20000;
        d.send({16});
        auto t = Clock::now();
        for (long i = 0; i < n; ++i) {
            const int x = 40 + rng.next(1200), y = 40 + rng.next(944);
            d.send({18, 0, 1 + static_cast<int>(i % 15)});
            d.plot(4, x, y);
            d.plot(157, x + 20, y);
        }
        report("filled circles", n, seconds_since(t));
    }
    // Flood fills of a 100×100 square inside a white border.
    {
        const long n = 1000;
        d.send({16, 18, 0, 7});
        d.plot(4, 398, 398);
        d.plot(5, 602, 398);
        d.plot(5, 602, 602);
        d.plot(5, 398, 602);
        d.plot(5, 398, 398);
        auto t = Clock::now();
        for (long i = 0; i < n; ++i) {
            // Fill up to the white border (PLOT 136 group, drawn in the
            // background colour chosen by k & 3 = 3).
            d.send({18, 0, 128 + 1 + static_cast<int>(i % 2)});
            d.plot(143, 500, 500);
        }
        const double s = seconds_since(t);
        // Every fill must have covered the square.
        if (vdu.pixel(250, 255) != vdu.pixel(201, 302) || vdu.pixel(250, 255) == 0) {
            std::fprintf(stderr, "graphics_bench: the flood fill did not cover the square\n");
            return 1;
        }
        report("flood fills 100x100", n, s);
    }
    return 0;
}
