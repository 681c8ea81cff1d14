// Fuzz the BMP reader behind *DISPLAY and *MDISPLAY: truncated files,
// lying headers, huge sizes. A refusal is an expected outcome; a crash,
// or a picture larger than its header allows, is not.
#include <cstdint>
#include <string>

#include "os/bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kov::os::Image image;
    std::string error;
    if (kov::os::decode_bmp(data, size, image, error)) {
        if (image.width <= 0 || image.height <= 0 ||
            image.pixels.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height))
            __builtin_trap();
        kov::os::Image small = kov::os::scale_nearest(image, 3, 2);
        if (small.pixels.size() != 6) __builtin_trap();
    }
    return 0;
}
