// Fuzz the parsers of text a program hands to the file layer: file names
// with "|" escapes and extensions, *DIR patterns, TIME$ assignments and
// serial-port settings. A BASIC error is an expected outcome; crashes,
// hangs and reads past the input are not.
#include <cstdint>
#include <string_view>

#include "host/filesystem.h"
#include "interp/errors.h"
#include "os/channels.h"
#include "os/clock.h"
#include "os/file_commands.h"
#include "os/file_names.h"

using namespace kov;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    for (os::NameEnd end : {os::NameEnd::String, os::NameEnd::Word, os::NameEnd::Line}) {
        try {
            os::FileName n = os::parse_file_name(text, end, ".KOV");
            if (n.text.size() > 255 || n.consumed > size) __builtin_trap();
            os::host_path(n.text);
        } catch (const BasicError&) {
        }
    }
    size_t half = size / 2;
    os::pattern_matches(text.substr(0, half), text.substr(half));
    host::LocalTime t;
    os::parse_time_assignment(text, t);
    host::SerialSettings s;
    os::parse_serial_settings(text, s);
    return 0;
}
