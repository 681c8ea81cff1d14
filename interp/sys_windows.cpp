// The Windows functions that programs of this dialect commonly call
// through SYS, provided on this platform. Strings are NUL-terminated in
// BASIC memory; every pointer is checked by the memory class, so a bad
// one is "Address out of range", never a crash. Without a window the
// window functions answer for the 640 x 512 client area that headless
// runs draw into.
#include "interp/sys_windows.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "host/filesystem.h"
#include "host/machine.h"
#include "interp/interp.h"
#include "interp/machine_code.h"
#include "vdu/vdu.h"

namespace kov::interp {

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kClientWidth = 640, kClientHeight = 512;
constexpr uint32_t kInvalidAttributes = 0xFFFFFFFFu;

std::string cstr(Interp& in, uint32_t addr) {
    std::string s;
    if (!addr) return s;
    for (;;) {
        uint8_t c = in.mem.read8(addr + static_cast<uint32_t>(s.size()));
        if (c == 0) break;
        s.push_back(static_cast<char>(c));
        if (s.size() >= 65535) break;
    }
    return s;
}

// Copies `s` with its NUL into a buffer of `size` bytes; returns the
// length copied (without the NUL), or the size needed when it does not fit.
uint32_t put(Interp& in, uint32_t addr, uint32_t size, const std::string& s) {
    if (s.size() + 1 > size) return static_cast<uint32_t>(s.size() + 1);
    uint8_t* d = in.mem.at(addr, static_cast<uint32_t>(s.size() + 1));
    std::memcpy(d, s.data(), s.size());
    d[s.size()] = 0;
    return static_cast<uint32_t>(s.size());
}

void put_rect(Interp& in, uint32_t addr, uint32_t l, uint32_t t, uint32_t r, uint32_t b) {
    in.mem.write32(addr, l);
    in.mem.write32(addr + 4, t);
    in.mem.write32(addr + 8, r);
    in.mem.write32(addr + 12, b);
}

std::string window_title = "KOV BASIC";

// ---- time ----
uint32_t w_sleep(Interp& in, const uint32_t* a) {
    // In 10 ms steps, so that Escape and quit are seen.
    for (uint32_t left = a[0]; left > 0;) {
        uint32_t step = left < 10 ? left : 10;
        in.host.sleep_ms(static_cast<int>(step));
        left -= step;
        if (in.host.flags.load() & (host::flag::Escape | host::flag::Quit)) break;
    }
    return 0;
}
uint32_t w_tick(Interp& in, const uint32_t*) { return in.host.centiseconds() * 10u; }
uint32_t w_perf_counter(Interp& in, const uint32_t* a) {
    const uint64_t ticks = static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                               std::chrono::steady_clock::now().time_since_epoch()).count()) / 100u;
    in.mem.write64(a[0], ticks);
    return 1;
}
uint32_t w_perf_frequency(Interp& in, const uint32_t* a) {
    in.mem.write64(a[0], 10000000u);
    return 1;
}
void put_systemtime(Interp& in, uint32_t addr, bool local) {
    const auto now = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    const int ms = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
    std::tm tm = *(local ? std::localtime(&t) : std::gmtime(&t));
    const uint16_t w[8] = {static_cast<uint16_t>(tm.tm_year + 1900), static_cast<uint16_t>(tm.tm_mon + 1),
                           static_cast<uint16_t>(tm.tm_wday),        static_cast<uint16_t>(tm.tm_mday),
                           static_cast<uint16_t>(tm.tm_hour),        static_cast<uint16_t>(tm.tm_min),
                           static_cast<uint16_t>(tm.tm_sec),         static_cast<uint16_t>(ms)};
    std::memcpy(in.mem.at(addr, 16), w, 16);
}
uint32_t w_local_time(Interp& in, const uint32_t* a) { put_systemtime(in, a[0], true); return 0; }
uint32_t w_system_time(Interp& in, const uint32_t* a) { put_systemtime(in, a[0], false); return 0; }

// ---- messages and sounds ----
uint32_t w_message_box(Interp& in, const uint32_t* a) {
    std::string caption = cstr(in, a[2]);
    std::string text = cstr(in, a[1]);
    in.host.message_box(caption.empty() ? text : caption + ": " + text);
    return 1;  // IDOK
}
uint32_t w_beep(Interp&, const uint32_t*) { return 1; }

// ---- the clipboard: text only (CF_TEXT 1, CF_OEMTEXT 7), its data in
// GlobalAlloc blocks as programs expect ----
constexpr uint32_t kClipText = 1, kClipOemText = 7;
uint32_t global_alloc_bytes(Interp& in, uint32_t size);
uint32_t w_set_clipboard(Interp& in, const uint32_t* a) {
    if ((a[0] != kClipText && a[0] != kClipOemText) || !a[1]) return 0;
    in.host.set_clipboard_text(cstr(in, a[1]));
    return a[1];
}
uint32_t w_get_clipboard(Interp& in, const uint32_t* a) {
    if (a[0] != kClipText && a[0] != kClipOemText) return 0;
    std::string text = in.host.clipboard_text();
    if (text.empty()) return 0;
    const uint32_t h = global_alloc_bytes(in, static_cast<uint32_t>(text.size() + 1));
    if (h) put(in, h, static_cast<uint32_t>(text.size() + 1), text);
    return h;
}
uint32_t w_clipboard_has(Interp& in, const uint32_t* a) {
    return (a[0] == kClipText || a[0] == kClipOemText) && !in.host.clipboard_text().empty();
}
uint32_t w_empty_clipboard(Interp& in, const uint32_t*) { in.host.set_clipboard_text({}); return 1; }

// ---- ShellExecute: "open" (or no verb) starts a program, or hands a
// document to the desktop's opener; the result is above 32 on success ----
std::string shell_quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}
uint32_t w_shell_execute(Interp& in, const uint32_t* a) {
    constexpr uint32_t kFileNotFound = 2, kAccessDenied = 5, kStarted = 42;
    const std::string verb = cstr(in, a[1]), file = cstr(in, a[2]), params = cstr(in, a[3]), dir = cstr(in, a[4]);
    if (!verb.empty() && verb != "open") return kAccessDenied;
    if (!in.host.allow_programs) return kAccessDenied;
    std::error_code ec;
    fs::path path = file;
    if (!dir.empty() && path.is_relative()) path = fs::path(dir) / path;
    std::string command;
    if (!dir.empty()) command = "cd " + shell_quote(dir) + " && ";
    const bool exists = fs::exists(path, ec);
    if (exists && fs::is_regular_file(path, ec) &&
        (fs::status(path, ec).permissions() & fs::perms::owner_exec) != fs::perms::none)
        command += shell_quote(path.string()) + (params.empty() ? "" : " " + params);
    else if (exists || file.find("://") != std::string::npos)
        command += "xdg-open " + shell_quote(file) + " >/dev/null 2>&1";
    else
        return kFileNotFound;
    int pid = 0;
    return host::process_start(command, true, pid) == 0 ? kStarted : kFileNotFound;
}

// ---- the window (headless: the fixed client area) ----
uint32_t w_set_window_text(Interp& in, const uint32_t* a) { window_title = cstr(in, a[1]); return 1; }
uint32_t w_get_window_text(Interp& in, const uint32_t* a) {
    if (a[2] == 0) return 0;
    std::string t = window_title.substr(0, a[2] - 1);
    return put(in, a[1], a[2], t);
}
uint32_t w_system_metrics(Interp&, const uint32_t* a) {
    switch (a[0]) {
        case 0: return kClientWidth;    // SM_CXSCREEN
        case 1: return kClientHeight;   // SM_CYSCREEN
        case 4: return 20;              // SM_CYCAPTION
        case 5: case 6: return 1;       // SM_CXBORDER, SM_CYBORDER
        default: return 0;
    }
}
uint32_t w_client_rect(Interp& in, const uint32_t* a) { put_rect(in, a[1], 0, 0, kClientWidth, kClientHeight); return 1; }
uint32_t w_window_rect(Interp& in, const uint32_t* a) { put_rect(in, a[1], 0, 0, kClientWidth, kClientHeight); return 1; }
uint32_t w_true(Interp&, const uint32_t*) { return 1; }
uint32_t w_zero(Interp&, const uint32_t*) { return 0; }
uint32_t w_first(Interp&, const uint32_t* a) { return a[0]; }
uint32_t w_cursor_pos(Interp& in, const uint32_t* a) { in.mem.write32(a[0], 0); in.mem.write32(a[0] + 4, 0); return 1; }
uint32_t w_get_dc(Interp&, const uint32_t*) { return 1; }

// ---- files and the environment ----
uint32_t w_get_current_directory(Interp& in, const uint32_t* a) {
    std::error_code ec;
    std::string d = fs::current_path(ec).string();
    return ec ? 0 : put(in, a[1], a[0], d);
}
uint32_t w_set_current_directory(Interp& in, const uint32_t* a) {
    std::error_code ec;
    fs::current_path(cstr(in, a[0]), ec);
    return ec ? 0 : 1;
}
uint32_t w_get_temp_path(Interp& in, const uint32_t* a) {
    std::error_code ec;
    std::string d = fs::temp_directory_path(ec).string();
    if (ec) return 0;
    if (d.empty() || d.back() != '/') d.push_back('/');
    return put(in, a[1], a[0], d);
}
std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}
// GetUserName and GetComputerName: the size is in and out through a[1].
uint32_t put_sized(Interp& in, uint32_t buf, uint32_t size_addr, const std::string& s) {
    uint32_t size = in.mem.read32(size_addr);
    in.mem.write32(size_addr, static_cast<uint32_t>(s.size() + 1));
    if (s.size() + 1 > size) return 0;
    put(in, buf, size, s);
    return 1;
}
uint32_t w_user_name(Interp& in, const uint32_t* a) {
    std::string u = env("USER");
    if (u.empty()) u = env("LOGNAME");
    return put_sized(in, a[0], a[1], u);
}
uint32_t w_computer_name(Interp& in, const uint32_t* a) {
    std::string h = env("HOSTNAME");
    if (h.empty()) std::getline(std::ifstream("/etc/hostname"), h);
    return put_sized(in, a[0], a[1], h);
}
uint32_t w_environment(Interp& in, const uint32_t* a) {
    const char* v = std::getenv(cstr(in, a[0]).c_str());
    if (!v) return 0;
    return put(in, a[1], a[2], v);
}
uint32_t w_copy_file(Interp& in, const uint32_t* a) {
    std::error_code ec;
    auto opt = a[2] ? fs::copy_options::none : fs::copy_options::overwrite_existing;
    return fs::copy_file(cstr(in, a[0]), cstr(in, a[1]), opt, ec) && !ec ? 1 : 0;
}
uint32_t w_delete_file(Interp& in, const uint32_t* a) {
    std::error_code ec;
    fs::path p = cstr(in, a[0]);
    if (fs::is_directory(p, ec)) return 0;
    return fs::remove(p, ec) && !ec ? 1 : 0;
}
uint32_t w_move_file(Interp& in, const uint32_t* a) {
    std::error_code ec;
    fs::path to = cstr(in, a[1]);
    if (fs::exists(to, ec)) return 0;
    fs::rename(cstr(in, a[0]), to, ec);
    return ec ? 0 : 1;
}
uint32_t w_create_directory(Interp& in, const uint32_t* a) {
    std::error_code ec;
    return fs::create_directory(cstr(in, a[0]), ec) && !ec ? 1 : 0;
}
uint32_t w_remove_directory(Interp& in, const uint32_t* a) {
    std::error_code ec;
    fs::path p = cstr(in, a[0]);
    if (!fs::is_directory(p, ec) || !fs::is_empty(p, ec)) return 0;
    return fs::remove(p, ec) && !ec ? 1 : 0;
}
uint32_t w_file_attributes(Interp& in, const uint32_t* a) {
    std::error_code ec;
    fs::file_status st = fs::status(cstr(in, a[0]), ec);
    if (ec || !fs::exists(st)) return kInvalidAttributes;
    uint32_t attr = fs::is_directory(st) ? 0x10u : 0x80u;   // DIRECTORY, NORMAL
    if ((st.permissions() & fs::perms::owner_write) == fs::perms::none) attr = (attr & ~0x80u) | 0x01u;
    return attr;
}

// ---- strings and memory ----
uint32_t w_lstrlen(Interp& in, const uint32_t* a) { return static_cast<uint32_t>(cstr(in, a[0]).size()); }
uint32_t w_lstrcpy(Interp& in, const uint32_t* a) {
    std::string s = cstr(in, a[1]);
    put(in, a[0], static_cast<uint32_t>(s.size() + 1), s);
    return a[0];
}
uint32_t w_lstrcat(Interp& in, const uint32_t* a) {
    std::string s = cstr(in, a[0]) + cstr(in, a[1]);
    put(in, a[0], static_cast<uint32_t>(s.size() + 1), s);
    return a[0];
}
uint32_t w_move_memory(Interp& in, const uint32_t* a) {
    if (!a[2]) return 0;
    const uint8_t* from = in.mem.at(a[1], a[2]);
    uint8_t* to = in.mem.at(a[0], a[2]);
    std::memmove(to, from, a[2]);
    if (in.may_change_text(a[0])) in.flush_text_cache();
    code_written(in, a[0], a[2]);
    return 0;
}
uint32_t w_zero_memory(Interp& in, const uint32_t* a) {
    if (!a[1]) return 0;
    std::memset(in.mem.at(a[0], a[1]), 0, a[1]);
    if (in.may_change_text(a[0])) in.flush_text_cache();
    return 0;
}

// ---- GlobalAlloc and GlobalFree: blocks from one arena below 4 GiB that
// the BASIC memory class and the CPU both reach (made once per process,
// since regions stay registered) ----
constexpr uint32_t kArenaSize = 16u << 20;
struct Arena {
    uint32_t base = 0;
    struct Block { uint32_t addr, size; bool used; };
    std::vector<Block> blocks;
};
Arena& arena() {
    static Arena a;
    return a;
}
uint32_t w_global_alloc(Interp& in, const uint32_t* a) {
    Arena& ar = arena();
    if (!ar.base) {
        ar.base = host::alloc_low(kArenaSize);
        if (!ar.base) return 0;
        ar.blocks.push_back({ar.base, kArenaSize, false});
    }
    if (!hand_block(in, ar.base, kArenaSize)) return 0;
    const uint32_t size = a[1] ? (a[1] + 15u) & ~15u : 16u;
    if (size < a[1]) return 0;
    for (size_t i = 0; i < ar.blocks.size(); ++i) {
        Arena::Block& b = ar.blocks[i];
        if (b.used || b.size < size) continue;
        if (b.size > size) ar.blocks.insert(ar.blocks.begin() + static_cast<long>(i) + 1, {b.addr + size, b.size - size, false});
        Arena::Block& got = ar.blocks[i];
        got.size = size;
        got.used = true;
        // GMEM_ZEROINIT, and fresh blocks are zero anyway.
        std::memset(reinterpret_cast<void*>(static_cast<uintptr_t>(got.addr)), 0, size);
        return got.addr;
    }
    return 0;
}
uint32_t global_alloc_bytes(Interp& in, uint32_t size) {
    const uint32_t args[2] = {0, size};
    return w_global_alloc(in, args);
}
uint32_t w_global_free(Interp&, const uint32_t* a) {
    Arena& ar = arena();
    for (size_t i = 0; i < ar.blocks.size(); ++i) {
        if (ar.blocks[i].addr != a[0] || !ar.blocks[i].used) continue;
        ar.blocks[i].used = false;
        // Join with free neighbours.
        if (i + 1 < ar.blocks.size() && !ar.blocks[i + 1].used) {
            ar.blocks[i].size += ar.blocks[i + 1].size;
            ar.blocks.erase(ar.blocks.begin() + static_cast<long>(i) + 1);
        }
        if (i > 0 && !ar.blocks[i - 1].used) {
            ar.blocks[i - 1].size += ar.blocks[i].size;
            ar.blocks.erase(ar.blocks.begin() + static_cast<long>(i));
        }
        return 0;
    }
    return a[0];   // not a block of ours: returned as the failure value
}

// ---- modules ----
constexpr uint32_t kModuleHandle = 0x00400000;
uint32_t w_module_handle(Interp&, const uint32_t*) { return kModuleHandle; }
uint32_t w_proc_address(Interp& in, const uint32_t* a) { return system_address(in, cstr(in, a[1])); }

const WinFunction kFunctions[] = {
    {"Sleep", 1, w_sleep},
    {"GetTickCount", 0, w_tick},
    {"timeGetTime", 0, w_tick},
    {"QueryPerformanceCounter", 1, w_perf_counter},
    {"QueryPerformanceFrequency", 1, w_perf_frequency},
    {"GetLocalTime", 1, w_local_time},
    {"GetSystemTime", 1, w_system_time},
    {"MessageBoxA", 4, w_message_box},
    {"MessageBeep", 1, w_beep},
    {"Beep", 2, w_beep},
    {"SetWindowTextA", 2, w_set_window_text},
    {"GetWindowTextA", 3, w_get_window_text},
    {"GetSystemMetrics", 1, w_system_metrics},
    {"GetClientRect", 2, w_client_rect},
    {"GetWindowRect", 2, w_window_rect},
    {"MoveWindow", 6, w_true},
    {"SetWindowPos", 7, w_true},
    {"ShowWindow", 2, w_true},
    {"InvalidateRect", 3, w_true},
    {"UpdateWindow", 1, w_true},
    {"GetAsyncKeyState", 1, w_zero},
    {"GetKeyState", 1, w_zero},
    {"GetCursorPos", 1, w_cursor_pos},
    {"SetCursorPos", 2, w_true},
    {"ShowCursor", 1, w_zero},
    {"ScreenToClient", 2, w_true},
    {"ClientToScreen", 2, w_true},
    {"GetDC", 1, w_get_dc},
    {"ReleaseDC", 2, w_true},
    {"GetCurrentDirectoryA", 2, w_get_current_directory},
    {"SetCurrentDirectoryA", 1, w_set_current_directory, true},
    {"GetTempPathA", 2, w_get_temp_path},
    {"GetUserNameA", 2, w_user_name},
    {"GetComputerNameA", 2, w_computer_name},
    {"GetEnvironmentVariableA", 3, w_environment},
    {"CopyFileA", 3, w_copy_file, true},
    {"DeleteFileA", 1, w_delete_file, true},
    {"MoveFileA", 2, w_move_file, true},
    {"CreateDirectoryA", 2, w_create_directory, true},
    {"RemoveDirectoryA", 1, w_remove_directory, true},
    {"GetFileAttributesA", 1, w_file_attributes},
    {"lstrlenA", 1, w_lstrlen},
    {"lstrcpyA", 2, w_lstrcpy},
    {"lstrcatA", 2, w_lstrcat},
    {"lstrlen", 1, w_lstrlen},
    {"lstrcpy", 2, w_lstrcpy},
    {"lstrcat", 2, w_lstrcat},
    {"RtlMoveMemory", 3, w_move_memory},
    {"RtlZeroMemory", 2, w_zero_memory},
    {"GlobalAlloc", 2, w_global_alloc},
    {"GlobalFree", 1, w_global_free},
    {"GlobalLock", 1, w_first},
    {"GlobalUnlock", 1, w_true},
    {"OpenClipboard", 1, w_true},
    {"CloseClipboard", 0, w_true},
    {"EmptyClipboard", 0, w_empty_clipboard},
    {"SetClipboardData", 2, w_set_clipboard},
    {"GetClipboardData", 1, w_get_clipboard},
    {"IsClipboardFormatAvailable", 1, w_clipboard_has},
    {"ShellExecuteA", 6, w_shell_execute},
    {"GetModuleHandleA", 1, w_module_handle},
    {"GetProcAddress", 2, w_proc_address},
    {"LoadLibraryA", 1, w_module_handle},
    {"FreeLibrary", 1, w_true},
};

}  // namespace

const WinFunction* windows_functions(size_t& count) {
    count = std::size(kFunctions);
    return kFunctions;
}

// With no screen (a bare interpreter in a test) the cursor sees a blank and
// every pattern is empty.
uint8_t character_at_cursor(Interp& in) { return in.vdu ? in.vdu->char_at_cursor() : 32; }

void character_pattern(Interp& in, uint8_t code, uint8_t out[8]) {
    if (in.vdu)
        in.vdu->char_pattern(code, out);
    else
        std::memset(out, 0, 8);
}

}  // namespace kov::interp
