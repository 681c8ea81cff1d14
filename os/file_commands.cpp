#include "os/file_commands.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "host/filesystem.h"
#include "host/surface.h"
#include "os/file_errors.h"
#include "os/file_names.h"

namespace kov::os {

namespace {

constexpr uint32_t kNameBuffer = 512;   // the file-name buffer, from the memory base
constexpr char kDefaultExt[] = ".KOV";

// Keeps the parsed name in the file-name buffer as well, where the
// program can see it.
void remember_name(FileContext& ctx, const std::string& name) {
    uint8_t* buf = interp::Memory::unchecked_ptr(ctx.mem.base() + kNameBuffer);
    size_t n = std::min<size_t>(name.size(), 255);
    std::memcpy(buf, name.data(), n);
    buf[n] = 0;
}

// A command name: a quoted or blank-ended word, with the default
// extension when `ext` is given.
FileName word(FileContext& ctx, std::string_view& arg, std::string_view ext) {
    FileName n = parse_file_name(arg, NameEnd::Word, ext);
    arg.remove_prefix(n.consumed);
    while (!arg.empty() && arg.front() == ' ') arg.remove_prefix(1);
    remember_name(ctx, n.text);
    return n;
}

// The rest of the line as one name, with the default extension.
std::string rest_of_line(FileContext& ctx, std::string_view arg) {
    FileName n = parse_file_name(arg, NameEnd::Line, kDefaultExt);
    remember_name(ctx, n.text);
    return n.text;
}

void need_files(FileContext& ctx) {
    if (!ctx.host.allow_files) raise(FileErr::AccessDenied);
}

void check(int platform_error) {
    if (platform_error) raise_platform(platform_error);
}

// The path of an existing file named by a command.
std::string existing(const FileName& n) { return resolve_existing(host_path(n.text)); }

bool escape_pending(FileContext& ctx) {
    return ctx.host.flags.load() & (host::flag::Escape | host::flag::Quit);
}

void text(FileContext& ctx, std::string_view s) {
    for (char c : s) ctx.console.out(static_cast<uint8_t>(c));
}

void newline(FileContext& ctx) {
    ctx.console.out(13);
    ctx.console.out(10);
}

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// A hexadecimal number with the blanks before it; false when no digit.
bool hex_number(std::string_view& s, uint32_t& v) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    bool any = false;
    v = 0;
    while (!s.empty() && std::isxdigit(static_cast<unsigned char>(s.front()))) {
        char c = s.front();
        v = v * 16 + static_cast<uint32_t>(std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : lower(c) - 'a' + 10);
        any = true;
        s.remove_prefix(1);
    }
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    return any;
}

// The address and length of *LOAD and *SAVE; `defaulted` says that
// neither an end nor a length was given.
void address_and_length(FileContext& ctx, std::string_view s, uint32_t& addr, uint32_t& length, bool& defaulted) {
    hex_number(s, addr);
    uint32_t second = 0;
    bool plus = !s.empty() && s.front() == '+';
    if (plus) s.remove_prefix(1);
    bool has_second = hex_number(s, second);
    if (!s.empty() && s.front() != '\r') raise(FileErr::BadCommand);
    defaulted = false;
    if (plus) {
        length = second;
    } else if (has_second && second >= addr) {
        length = second - addr;
    } else {
        // Up to 1024 bytes below the BASIC stack.
        defaulted = true;
        uint32_t limit = ctx.stack_pointer - 1024;
        if (ctx.stack_pointer < 1024 || addr >= limit) kov::raise(0, "No room");
        length = limit - addr;
    }
    if (addr < 0x10000) kov::raise(8, "Address out of range");
}

}  // namespace

bool pattern_matches(std::string_view pattern, std::string_view name) {
    // "*.*" is every name, as on the systems where the pattern comes from.
    if (pattern == "*.*") return true;
    size_t p = 0, n = 0, star = std::string_view::npos, mark = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || lower(pattern[p]) == lower(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

// ---- directories ----

void star_cd(FileContext& ctx, std::string_view arg) {
    need_files(ctx);
    FileName n = word(ctx, arg, "");
    if (n.text.empty()) {
        std::string dir;
        check(host::current_directory(dir));
        if (dir.size() > 255) dir.resize(255);
        text(ctx, dir);
        newline(ctx);
        return;
    }
    check(host::change_directory(host_path(n.text)));
}

void star_md(FileContext& ctx, std::string_view arg) {
    need_files(ctx);
    FileName n = word(ctx, arg, "");
    check(host::make_directory(host_path(n.text)));
}

void star_rd(FileContext& ctx, std::string_view arg) {
    need_files(ctx);
    FileName n = word(ctx, arg, "");
    check(host::remove_directory(host_path(n.text)));
}

void star_dir(FileContext& ctx, std::string_view arg) {
    need_files(ctx);
    FileName n = word(ctx, arg, "");
    std::string pattern = n.text;
    if (n.leaf_empty) pattern += '*';
    if (pattern.find('.', pattern.find_last_of("\\/:") + 1) == std::string::npos) pattern += kDefaultExt;
    if (pattern.size() > 255) raise(FileErr::BadName);

    // The heading names the directory as the program gave it: a drive
    // alone, an absolute pattern, or the current directory and the pattern.
    std::string path = host_path(pattern);
    size_t slash = path.find_last_of('/');
    std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
    std::string leaf = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string heading;
    if (n.drive && pattern.size() >= 2 && pattern[1] == ':') {
        heading = pattern;
    } else if (pattern[0] == '\\' || pattern[0] == '/') {
        heading = pattern;
    } else {
        check(host::current_directory(heading));
        heading += '/';
        heading += pattern;
    }
    text(ctx, "Directory of ");
    text(ctx, heading);
    newline(ctx);

    std::vector<host::DirEntry> entries;
    check(host::list_directory(dir, entries));
    std::sort(entries.begin(), entries.end(), [](const host::DirEntry& a, const host::DirEntry& b) {
        return std::lexicographical_compare(a.name.begin(), a.name.end(), b.name.begin(), b.name.end(),
                                            [](char x, char y) { return lower(x) < lower(y); }) ||
               (std::equal(a.name.begin(), a.name.end(), b.name.begin(), b.name.end(),
                           [](char x, char y) { return lower(x) == lower(y); }) && a.name < b.name);
    });
    for (const host::DirEntry& e : entries) {
        if (!pattern_matches(leaf, e.name)) continue;
        if (escape_pending(ctx)) break;
        ctx.console.out(e.read_only ? '*' : ' ');
        ctx.console.out(' ');
        text(ctx, e.name);
        // Four columns of 20: blanks up to the next column, or a new line
        // after the fourth.
        for (;;) {
            uint32_t col = ctx.console.column();
            if (col > 60) {
                newline(ctx);
                break;
            }
            if (col % 20 == 0) break;
            ctx.console.out(' ');
        }
    }
    newline(ctx);
}

// ---- files ----

void star_delete(FileContext& ctx, std::string_view arg) {
    need_files(ctx);
    FileName n = word(ctx, arg, kDefaultExt);
    check(host::delete_file(existing(n)));
}

void star_rename(FileContext& ctx, std::string_view arg) {
    need_files(ctx);
    FileName from = word(ctx, arg, kDefaultExt);
    FileName to = word(ctx, arg, kDefaultExt);
    if (to.text.empty()) raise(FileErr::BadCommand);
    check(host::rename_file(existing(from), host_path(to.text)));
}

void star_copy(FileContext& ctx, std::string_view arg) {
    need_files(ctx);
    FileName from = word(ctx, arg, kDefaultExt);
    FileName to = word(ctx, arg, kDefaultExt);
    if (to.text.empty()) raise(FileErr::BadCommand);
    check(host::copy_file(existing(from), resolve_existing(host_path(to.text))));
}

void star_lock(FileContext& ctx, std::string_view arg) {
    need_files(ctx);
    FileName n = word(ctx, arg, kDefaultExt);
    check(host::set_read_only(existing(n), true));
}

void star_unlock(FileContext& ctx, std::string_view arg) {
    need_files(ctx);
    FileName n = word(ctx, arg, kDefaultExt);
    check(host::set_read_only(existing(n), false));
}

// ---- other programs ----

void star_run(FileContext& ctx, std::string_view arg) {
    if (!ctx.host.allow_programs) raise(FileErr::AccessDenied);
    std::string command(arg.substr(0, std::min<size_t>(arg.find('\r'), 255)));
    while (!command.empty() && command.back() == ' ') command.pop_back();
    bool wait = true;
    if (!command.empty() && command.back() == ';') {
        command.pop_back();
        wait = false;
    }
    // What the engine printed so far comes before what the program prints.
    ctx.host.flush_output();
    int pid = 0;
    check(host::process_start(command, !wait, pid));
    if (!wait) return;
    // The wait gives way to an Escape, which the statement loop raises.
    int status = 0;
    while (!host::process_wait(pid, 100, status))
        if (escape_pending(ctx)) return;
    // The shell's answer for a program that does not exist.
    if (status == 127) raise(FileErr::FileNotFound);
}

// ---- streams ----

void star_exec(FileContext& ctx, std::string_view arg) {
    if (ctx.files.exec_channel) return;
    std::string name = rest_of_line(ctx, arg);
    ctx.files.exec_channel = static_cast<uint8_t>(ctx.files.open_or_raise(name, ChannelMode::Input));
}

void star_spool(FileContext& ctx, std::string_view arg) {
    if (int ch = ctx.files.spool_channel) {
        ctx.files.spool_channel = 0;
        ctx.files.close(ch);
    }
    std::string name = rest_of_line(ctx, arg);
    if (name.empty()) return;
    ctx.files.spool_channel = static_cast<uint8_t>(ctx.files.open_or_raise(name, ChannelMode::Output));
}

void star_spoolon(FileContext& ctx, std::string_view arg) {
    if (int ch = ctx.files.spool_channel) {
        ctx.files.spool_channel = 0;
        ctx.files.close(ch);
    }
    std::string name = rest_of_line(ctx, arg);
    int ch = ctx.files.open_or_raise(name, ChannelMode::Update);
    ctx.files.set_ptr(ch, ctx.files.extent(ch));
    ctx.files.spool_channel = static_cast<uint8_t>(ch);
}

void star_type(FileContext& ctx, std::string_view arg) {
    std::string name = rest_of_line(ctx, arg);
    int ch = ctx.files.open_or_raise(name, ChannelMode::Input);
    try {
        while (!ctx.files.at_end(ch) && !escape_pending(ctx)) ctx.console.out(ctx.files.read_byte(ch));
    } catch (...) {
        ctx.files.close(ch);
        throw;
    }
    ctx.files.close(ch);
    newline(ctx);
}

// ---- memory images ----

void star_load(FileContext& ctx, std::string_view arg) {
    need_files(ctx);
    FileName n = word(ctx, arg, kDefaultExt);
    uint32_t addr = 0, length = 0;
    bool defaulted = false;
    address_and_length(ctx, arg, addr, length, defaulted);
    int fd = -1;
    if (host::file_open(existing(n), host::OpenMode::Read, fd) != 0) raise(FileErr::FileNotFound);
    uint64_t size = 0;
    int err = host::file_size(fd, size);
    uint32_t want = static_cast<uint32_t>(std::min<uint64_t>(size, length));
    uint32_t got = 0;
    if (!err && want) {
        // The whole range is checked before a byte lands in memory.
        uint8_t* dst = nullptr;
        try {
            dst = ctx.mem.at(addr, want);
        } catch (...) {
            host::file_close(fd);
            throw;
        }
        err = host::file_read(fd, dst, want, got);
        // Loaded over program text, the text's decodings go.
        if (got) ctx.mem.note_store(addr, got);
    }
    host::file_close(fd);
    check(err);
}

void star_save(FileContext& ctx, std::string_view arg) {
    need_files(ctx);
    FileName n = word(ctx, arg, kDefaultExt);
    uint32_t addr = 0, length = 0;
    bool defaulted = false;
    address_and_length(ctx, arg, addr, length, defaulted);
    if (defaulted) raise(FileErr::BadCommand);
    const uint8_t* src = ctx.mem.at(addr, length);
    int fd = -1;
    check(host::file_open(resolve_existing(host_path(n.text)), host::OpenMode::Create, fd));
    int err = host::file_write(fd, src, length);
    int close_err = host::file_close(fd);
    if (err == ENOSPC || close_err == ENOSPC) raise(FileErr::DiskFull);
    check(err ? err : close_err);
}

// ---- pictures ----

namespace {

// x, y, w, h: unsigned decimal numbers, blanks or commas between them,
// 0 when missing.
void picture_numbers(std::string_view s, uint32_t v[4]) {
    for (int i = 0; i < 4; ++i) {
        while (!s.empty() && (s.front() == ' ' || s.front() == ',')) s.remove_prefix(1);
        v[i] = 0;
        while (!s.empty() && std::isdigit(static_cast<unsigned char>(s.front()))) {
            if (v[i] < 100000000) v[i] = v[i] * 10 + static_cast<uint32_t>(s.front() - '0');
            s.remove_prefix(1);
        }
    }
}

Screen& need_screen(FileContext& ctx) {
    if (!ctx.screen) kov::raise(255, "Pictures are not available in this version");
    return *ctx.screen;
}

// The picture's top-left pixel from its bottom-left corner in graphics
// units and its height in pixels.
void place(Screen& screen, const uint32_t v[4], int height_px, int& left, int& top) {
    left = (static_cast<int32_t>(v[0]) + screen.origin_x()) >> 1;
    int bottom = screen.height_px() - 1 - ((static_cast<int32_t>(v[1]) + screen.origin_y()) >> 1);
    top = bottom - height_px + 1;
}

void draw_bmp(FileContext& ctx, const uint8_t* data, size_t size, const uint32_t v[4]) {
    Screen& screen = need_screen(ctx);
    Image image;
    std::string error;
    if (!decode_bmp(data, size, image, error)) kov::raise(255, "Bad bitmap: " + error);
    int w = static_cast<int>(v[2] / 2), h = static_cast<int>(v[3] / 2);
    if (w == 0) w = image.width;
    if (h == 0) h = image.height;
    int left, top;
    place(screen, v, h, left, top);
    if (w == image.width && h == image.height) {
        screen.draw(left, top, image);
        return;
    }
    // Stretched: only the part on the screen is scaled.
    const int x0 = std::max(0, -left), y0 = std::max(0, -top);
    const int part_w = std::min(w - x0, screen.width_px() - std::max(left, 0));
    const int part_h = std::min(h - y0, screen.height_px() - std::max(top, 0));
    if (part_w <= 0 || part_h <= 0) return;
    screen.draw(left + x0, top + y0, scale_nearest_part(image, w, h, x0, y0, part_w, part_h));
}

}  // namespace

void star_display(FileContext& ctx, std::string_view arg) {
    need_files(ctx);
    FileName n = word(ctx, arg, ".BMP");
    uint32_t v[4];
    picture_numbers(arg, v);
    need_screen(ctx);
    int fd = -1;
    check(host::file_open(existing(n), host::OpenMode::Read, fd));
    uint64_t size = 0;
    int err = host::file_size(fd, size);
    std::vector<uint8_t> bytes;
    if (!err && size > (uint64_t{1} << 28)) err = EFBIG;
    if (!err) {
        bytes.resize(static_cast<size_t>(size));
        uint32_t got = 0;
        err = host::file_read(fd, bytes.data(), static_cast<uint32_t>(size), got);
        bytes.resize(got);
    }
    host::file_close(fd);
    if (err == EFBIG) kov::raise(0, "No room");
    check(err);
    draw_bmp(ctx, bytes.data(), bytes.size(), v);
}

void star_mdisplay(FileContext& ctx, std::string_view arg) {
    uint32_t addr = 0;
    hex_number(arg, addr);
    uint32_t v[4];
    picture_numbers(arg, v);
    // The file image must lie in BASIC memory, as long as its header says.
    const uint8_t* head = ctx.mem.at(addr, 14);
    uint32_t size = head[2] | (head[3] << 8) | (head[4] << 16) | (static_cast<uint32_t>(head[5]) << 24);
    if (size < 14) size = 14;
    draw_bmp(ctx, ctx.mem.at(addr, size), size, v);
}

void star_screensave(FileContext& ctx, std::string_view arg) {
    need_files(ctx);
    FileName n = word(ctx, arg, ".BMP");
    uint32_t v[4];
    picture_numbers(arg, v);
    Screen& screen = need_screen(ctx);
    int w = static_cast<int>(v[2] / 2), h = static_cast<int>(v[3] / 2);
    if (w == 0) w = screen.width_px();
    if (h == 0) h = screen.height_px();
    // No screen is larger than the shadow bitmap; a bigger request would
    // only save black.
    w = std::min(w, host::kShadowWidth);
    h = std::min(h, host::kShadowHeight);
    int left, top;
    place(screen, v, h, left, top);
    std::vector<uint8_t> bmp = encode_bmp24(screen.read(left, top, w, h));
    int fd = -1;
    check(host::file_open(resolve_existing(host_path(n.text)), host::OpenMode::Create, fd));
    int err = host::file_write(fd, bmp.data(), static_cast<uint32_t>(bmp.size()));
    int close_err = host::file_close(fd);
    if (err == ENOSPC || close_err == ENOSPC) raise(FileErr::DiskFull);
    check(err ? err : close_err);
}

}  // namespace kov::os
