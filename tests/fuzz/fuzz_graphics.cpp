// Fuzz target: streams of PLOT, VDU 24 (graphics window), VDU 29
// (origin), VDU 18 (GCOL), VDU 16 (CLG), VDU 26 and MODE with any
// coordinates, and pokes of the graphics cursor, the previous point and
// the dot size to extreme values. Besides what AddressSanitizer catches,
// every PLOT and CLG must leave each pixel outside the graphics window as
// it was: a copy of the shadow bitmap is compared after each of them.
//
// Input: a sequence of operations, each an opcode byte and its operands
// (16-bit values little-endian, as the VDU stream takes them).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "host/surface.h"
#include "interp/memory.h"
#include "vdu/vdu.h"

using namespace kov;

namespace {

struct Raised {};

struct FuzzClient : vdu::Client {
    void error(int number, const char*) override {
        if (number != 25) std::abort();   // only "Bad MODE" may be raised
        throw Raised{};
    }
};

interp::Memory& memory() {
    static interp::Memory m;
    static bool mapped = m.map();
    if (!mapped) std::abort();
    return m;
}

class Input {
public:
    Input(const uint8_t* d, size_t n) : m_d(d), m_n(n) {}
    bool done() const { return m_i >= m_n; }
    uint8_t byte() { return m_i < m_n ? m_d[m_i++] : 0; }
    uint16_t word() {
        const uint8_t lo = byte();
        return static_cast<uint16_t>(lo | (byte() << 8));
    }
    int32_t int32() {
        const uint32_t lo = word();
        return static_cast<int32_t>(lo | (uint32_t{word()} << 16));
    }

private:
    const uint8_t* m_d;
    size_t m_n, m_i = 0;
};

constexpr size_t kPixels = static_cast<size_t>(host::kShadowWidth) * host::kShadowHeight;
// Each drawing operation costs a pass over the whole bitmap; a bound on
// them keeps every input quick.
constexpr int kMaxDrawings = 64;

// The pixels outside `w` in `now` must equal those in `before`; then the
// inside of `w` is copied to `before` so that it follows the screen.
void check_outside(const host::Rect& w, const uint32_t* now, std::vector<uint32_t>& before) {
    if (w.left < 0 || w.top < 0 || w.right > host::kShadowWidth || w.bottom > host::kShadowHeight ||
        (!w.empty() && (w.left >= w.right || w.top >= w.bottom)))
        std::abort();   // the window itself lies inside the bitmap
    const size_t stride = host::kShadowWidth;
    for (int y = 0; y < host::kShadowHeight; ++y) {
        const uint32_t* n = now + y * stride;
        uint32_t* b = before.data() + y * stride;
        if (w.empty() || y < w.top || y >= w.bottom) {
            if (std::memcmp(n, b, stride * sizeof(uint32_t)) != 0) std::abort();
            continue;
        }
        if (std::memcmp(n, b, static_cast<size_t>(w.left) * sizeof(uint32_t)) != 0) std::abort();
        if (std::memcmp(n + w.right, b + w.right, (stride - w.right) * sizeof(uint32_t)) != 0) std::abort();
        std::memcpy(b + w.left, n + w.left, static_cast<size_t>(w.right - w.left) * sizeof(uint32_t));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static host::HeadlessSurface surface;
    static FuzzClient client;
    static vdu::Vdu vdu(memory(), surface, client);
    static std::vector<uint32_t> before(kPixels);
    vdu.set_font_loader(nullptr);
    vdu.start();
    std::memcpy(before.data(), vdu.pixels(), kPixels * sizeof(uint32_t));
    auto send = [&](std::initializer_list<int> bytes) {
        for (int b : bytes) vdu.write(static_cast<uint8_t>(b));
    };
    auto send16 = [&](uint16_t v) { send({v & 255, v >> 8}); };
    Input in(data, size);
    int drawings = 0;
    while (!in.done() && drawings < kMaxDrawings) {
        const uint8_t op = in.byte();
        const host::Rect window = vdu.graphics_window();
        bool drew = false;
        switch (op % 10) {
            case 0:
            case 1:
            case 2:   // PLOT k, x, y: the commonest operation
                send({25, in.byte()});
                send16(in.word());
                send16(in.word());
                drew = true;
                break;
            case 3:   // VDU 24: graphics window l, b, r, t
                send({24});
                for (int i = 0; i < 4; ++i) send16(in.word());
                break;
            case 4:   // VDU 29: origin
                send({29});
                send16(in.word());
                send16(in.word());
                break;
            case 5:   // GCOL mix, colour
                send({18, in.byte(), in.byte()});
                break;
            case 6:   // CLG, with whatever background mix is set
                send({16});
                drew = true;
                break;
            case 7:   // MODE: the screen is cleared, so the copy is taken afresh
                try {
                    send({22, in.byte() % 40});
                } catch (const Raised&) {
                }
                std::memcpy(before.data(), vdu.pixels(), kPixels * sizeof(uint32_t));
                break;
            case 8:   // VDU 26
                send({26});
                break;
            default: {   // a poke of a cursor point or the dot size
                static constexpr int kFields[] = {vdu::blk::GCurX, vdu::blk::GCurY, vdu::blk::GPrevX,
                                                  vdu::blk::GPrevY, vdu::blk::DotW,  vdu::blk::DotH};
                const int field = kFields[in.byte() % 6];
                vdu.set32(field, in.int32());
                break;
            }
        }
        if (drew) {
            check_outside(window, vdu.pixels(), before);
            ++drawings;
        }
    }
    return 0;
}
