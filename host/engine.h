// Running a program image: maps the BASIC memory, copies the image to
// PAGE and runs the interpreter on a thread with a large native stack.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/host.h"

namespace kov::host {

// Native stack of the interpreter thread, and how much of it BASIC-level
// recursion may use before "No room" is raised.
#ifdef KOV_SMALL_NATIVE_STACK
constexpr size_t kInterpreterStackBytes = size_t{60} << 20;
constexpr size_t kInterpreterStackLimit = size_t{48} << 20;
#else
constexpr size_t kInterpreterStackBytes = size_t{512} << 20;
constexpr size_t kInterpreterStackLimit = size_t{480} << 20;
#endif

// The loop of the window thread (the main thread): serves the
// interpreter's requests until `finished` is set.
class WindowThread {
public:
    virtual ~WindowThread() = default;
    virtual void serve(const std::atomic<bool>& finished) = 0;
};

// Runs `image` (the program format) with `host` on the interpreter thread
// while the calling thread runs `window`. Returns the exit status (0
// normal end, 1 untrapped error, 2 when the image cannot be loaded).
int run_image(const std::vector<uint8_t>& image, Host& host, WindowThread& window, std::string_view command_tail);

// Reads a program file and converts plain text to the program format.
// On failure returns false with a message in `error`.
bool load_program_file(const std::string& path, std::vector<uint8_t>& image, std::string& error);

// The image appended to an executable with the 24-byte trailer, if any.
bool read_appended_image(const std::string& exe_path, std::vector<uint8_t>& image);

// Writes engine + image + trailer to `out_path`.
bool write_bundle(const std::string& engine_path, const std::vector<uint8_t>& image,
                  const std::string& out_path, std::string& error);

}  // namespace kov::host
