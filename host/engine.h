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

// A program ready to run: the image, and for diagnostics the file it came
// from and (for a text program) the text line of each program line.
// What the trailer of an appended image asks of the window.
struct WindowRequest {
    int client_width = 0, client_height = 0;   // 0: the default
    bool maximised = false;
    // The client size to open with.
    int width() const { return client_width > 0 ? client_width : 640; }
    int height() const { return client_height > 0 ? client_height : 512; }
};

struct ProgramToRun {
    std::vector<uint8_t> image;
    std::string file;
    std::vector<uint32_t> text_lines;
    std::string screenshot;   // the PNG written when the program stops (empty: none)
    WindowRequest window;     // what an image trailer asks of the window
};


// The trailer's width, height and show words as a window request: a
// dimension that is not positive (CW_USEDEFAULT among them) takes the
// default, one larger than the shadow bitmap is cut to it; show value 3
// maximises.
WindowRequest window_request(int32_t width, int32_t height, int32_t show);

// Runs a program with `host`. Returns the exit status (0 normal end, n
// after QUIT n, 1 untrapped error, 2 when the image cannot be loaded).
// `last_error`, when given, receives the number of the last error (ERR).
// The loop of the window thread (the main thread): serves the
// interpreter's requests until `finished` is set.
class WindowThread {
public:
    virtual ~WindowThread() = default;
    virtual void serve(const std::atomic<bool>& finished) = 0;
};

// Runs a program with `host` on the interpreter thread while the calling
// thread runs `window`. Returns the exit status (0 normal end, n after
// QUIT n, 1 untrapped error or a screenshot that could not be written, 2
// when the image cannot be loaded).
// `last_error`, when given, receives the number of the last error (ERR).
int run_image(const ProgramToRun& program, Host& host, WindowThread& window, std::string_view command_tail,
              int* last_error = nullptr);
int run_image(const std::vector<uint8_t>& image, Host& host, WindowThread& window, std::string_view command_tail);

// The image appended to an executable with the 24-byte trailer, if any
// (an image of more than `max_bytes` is not read).
// `window`, when given, receives what the trailer asks of the window.
bool read_appended_image(const std::string& exe_path, std::vector<uint8_t>& image,
                         size_t max_bytes = size_t{64} << 20, WindowRequest* window = nullptr);

// Writes engine + image + trailer to `out_path`. The trailer carries the
// request's client size (0: the system's choice) and show state.
bool write_bundle(const std::string& engine_path, const std::vector<uint8_t>& image,
                  const std::string& out_path, std::string& error, const WindowRequest& window = {});

// The largest program image the command line loads.
size_t max_program_image();

}  // namespace kov::host
