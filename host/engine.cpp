#include "host/engine.h"

#include <pthread.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>

#include "interp/interp.h"
#include "interp/memory.h"
#include "host/signals.h"
#include "os/loader.h"
#include "host/screen.h"

namespace kov::host {

namespace {

struct ThreadJob {
    interp::Interp* interp;
    std::string_view tail;
    int status;
    std::atomic<bool> finished{false};
};

// Runs the program; nothing thrown may leave the thread (it would end the
// process without flushing what was printed).
int run_guarded(interp::Interp& in, std::string_view tail) {
    try {
        return in.run_program(tail);
    } catch (const std::bad_alloc&) {
        in.host.diagnostic("out of memory");
    } catch (const std::exception& e) {
        in.host.diagnostic(std::string("internal error: ") + e.what());
    } catch (...) {
        in.host.diagnostic("internal error");
    }
    return 1;
}

void* interpreter_thread(void* arg) {
    auto* job = static_cast<ThreadJob*>(arg);
    job->status = run_guarded(*job->interp, job->tail);
    job->finished.store(true);
    return nullptr;
}

void put32(std::vector<uint8_t>& v, uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}

}  // namespace

size_t max_program_image() { return interp::Memory::kInitialCommit - interp::Memory::kPageOffset - 1; }

int run_image(const std::vector<uint8_t>& image, Host& host, WindowThread& window, std::string_view command_tail) {
    ProgramToRun program{image, {}, {}, {}, {}};
    return run_image(program, host, window, command_tail);
}

int run_image(const ProgramToRun& program, Host& host, WindowThread& window, std::string_view command_tail,
              int* last_error) {
    const std::vector<uint8_t>& image = program.image;
    static interp::Memory memory;
    if (!memory.map()) {
        host.diagnostic("Couldn't allocate virtual memory");
        return 2;
    }
    // The image must fit below the committed top with room to spare.
    uint64_t room = interp::Memory::kInitialCommit - interp::Memory::kPageOffset;
    if (image.size() >= room) {
        host.diagnostic("program too big: " + std::to_string(image.size()) + " bytes (at most " +
                        std::to_string(room - 1) + ")");
        return 2;
    }
    // Start from clean buffers: earlier runs (tests) may have used them.
    std::memset(interp::Memory::unchecked_ptr(memory.base()), 0, interp::Memory::kPageOffset);
    uint8_t* page = interp::Memory::unchecked_ptr(memory.base() + interp::Memory::kPageOffset);
    page[0] = 0;
    page[1] = 0xFF;
    page[2] = 0xFF;
    if (!image.empty()) std::memcpy(page, image.data(), image.size());

    interp::Interp in(memory, host);
    Screen screen(in, host);
    screen.vdu().set_screenshot(program.screenshot);
    screen.vdu().set_start_size(program.window.width(), program.window.height());
    in.native_stack_limit_bytes = kInterpreterStackLimit;
    in.program_file = program.file;
    in.program_text_lines = program.text_lines;

    // An immediate exit still writes what the channels' buffers hold.
    const int flush_slot = signals::add_restore_action(
        [](void* files) { static_cast<os::Channels*>(files)->flush_for_exit(); }, in.files);

    ThreadJob job{&in, command_tail, 0};
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, kInterpreterStackBytes);
    pthread_t thread;
    if (pthread_create(&thread, &attr, interpreter_thread, &job) != 0) {
        // Fall back to this thread with a conservative recursion bound.
        in.native_stack_limit_bytes = size_t{4} << 20;
        job.status = run_guarded(in, command_tail);
    } else {
        // This thread is the window thread until the interpreter ends.
        window.serve(job.finished);
        pthread_join(thread, nullptr);
    }
    pthread_attr_destroy(&attr);
    // QUIT ends the program without the stop sequence.
    screen.vdu().program_stopped();
    if (!screen.vdu().screenshot_error().empty()) {
        host.diagnostic(screen.vdu().screenshot_error());
        if (job.status == 0) job.status = 1;
    }
    if (flush_slot >= 0) signals::remove_restore_action(flush_slot);
    if (last_error) *last_error = memory.fixed_area()[interp::fixed::ErrNum];
    return job.status;
}

namespace {

constexpr int32_t kUseDefault = INT32_MIN;   // CW_USEDEFAULT: the system chooses
constexpr int32_t kShowAsAsked = 1;          // the show command given to the process
constexpr int32_t kShowMaximised = 3;

}  // namespace

WindowRequest window_request(int32_t width, int32_t height, int32_t show) {
    WindowRequest r;
    if (width > 0) r.client_width = std::min<int32_t>(width, kShadowWidth);
    if (height > 0) r.client_height = std::min<int32_t>(height, kShadowHeight);
    r.maximised = show == kShowMaximised;
    return r;
}

bool read_appended_image(const std::string& exe_path, std::vector<uint8_t>& image, size_t max_bytes,
                         WindowRequest* window) {
    std::ifstream f(exe_path, std::ios::binary | std::ios::ate);
    if (!f) return false;
    int64_t size = f.tellg();
    if (size < 24) return false;
    uint8_t trailer[24];
    f.seekg(size - 24);
    if (!f.read(reinterpret_cast<char*>(trailer), 24)) return false;
    int32_t offset;
    std::memcpy(&offset, trailer + 20, 4);
    int64_t p = size - 24;
    if (offset == 0 || static_cast<int64_t>(offset) >= p || offset < 0) return false;
    if (static_cast<uint64_t>(p - offset) > max_bytes) return false;
    image.resize(static_cast<size_t>(p - offset));
    f.seekg(offset);
    if (!f.read(reinterpret_cast<char*>(image.data()), static_cast<std::streamsize>(image.size()))) return false;
    if (window) {
        int32_t words[3];
        std::memcpy(words, trailer, sizeof words);
        *window = window_request(words[0], words[1], words[2]);
    }
    return true;
}

bool write_bundle(const std::string& engine_path, const std::vector<uint8_t>& image,
                  const std::string& out_path, std::string& error, const WindowRequest& window) {
    std::vector<uint8_t> engine;
    std::string message;
    if (os::read_bounded(engine_path, size_t{1} << 30, engine, message) != os::LoadStatus::Ok) {
        error = "cannot read the engine: " + message;
        return false;
    }
    // An engine that already carries an image is stripped back to itself.
    std::vector<uint8_t> old;
    if (read_appended_image(engine_path, old)) {
        int32_t offset;
        std::memcpy(&offset, engine.data() + engine.size() - 4, 4);
        engine.resize(static_cast<size_t>(offset));
    }
    if (engine.size() + image.size() > 0x7FFFFFFF) {
        error = "bundle too large";
        return false;
    }
    uint32_t offset = static_cast<uint32_t>(engine.size());
    engine.insert(engine.end(), image.begin(), image.end());
    const bool sized = window.client_width > 0 && window.client_height > 0;
    put32(engine, static_cast<uint32_t>(sized ? window.client_width : kUseDefault));
    put32(engine, static_cast<uint32_t>(sized ? window.client_height : kUseDefault));
    put32(engine, static_cast<uint32_t>(window.maximised ? kShowMaximised : kShowAsAsked));
    put32(engine, 0);
    put32(engine, 0);
    put32(engine, offset);
    std::ofstream out(out_path, std::ios::binary | std::ios::trunc);
    if (!out || !out.write(reinterpret_cast<const char*>(engine.data()), static_cast<std::streamsize>(engine.size()))) {
        error = "cannot write " + out_path;
        return false;
    }
    out.close();
    ::chmod(out_path.c_str(), 0755);
    return true;
}

}  // namespace kov::host
