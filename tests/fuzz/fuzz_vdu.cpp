// Fuzz target: any bytes through the VDU stream (MODE and user-mode
// changes included). AddressSanitizer catches any access outside the
// shadow bitmap, the character map and the state block; "Bad MODE" is the
// only error the stream may raise.
#include <cstdint>
#include <cstdlib>

#include "host/surface.h"
#include "interp/memory.h"
#include "vdu/vdu.h"

using namespace kov;

namespace {

struct Raised {};

struct FuzzClient : vdu::Client {
    void error(int number, const char*) override {
        if (number != 25) std::abort();
        throw Raised{};
    }
};

interp::Memory& memory() {
    static interp::Memory m;
    static bool mapped = m.map();
    if (!mapped) std::abort();
    return m;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static host::HeadlessSurface surface;
    static FuzzClient client;
    static vdu::Vdu vdu(memory(), surface, client);
    vdu.start();
    // The first byte, when odd, makes the rest also poke the state block:
    // pairs of (offset, value) every 16 bytes.
    const bool poke = size && (data[0] & 1);
    for (size_t i = 1; i < size; ++i) {
        if (poke && i % 16 == 0 && i + 1 < size) {
            vdu.set8(vdu::blk::First + data[i] % (vdu::blk::End - vdu::blk::First), data[i + 1]);
            ++i;
            continue;
        }
        try {
            vdu.write(data[i]);
        } catch (const Raised&) {
        }
        if (vdu.get8(vdu::blk::QueueCount) > 9 && !poke) std::abort();
    }
    vdu.column();
    vdu.row();
    vdu.char_at_cursor();
    return 0;
}
