#include "os/channels.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "host/filesystem.h"
#include "os/file_errors.h"
#include "os/file_names.h"

namespace kov::os {

namespace {

// A serial wait gives up after this long to look at Escape and quit.
constexpr int kSerialSliceMs = 100;

int eff(uint8_t v) { return v == 0 ? 256 : v; }

}  // namespace

bool parse_serial_settings(std::string_view s, host::SerialSettings& out) {
    auto skip = [&] { while (!s.empty() && (s.front() == ' ' || s.front() == ',')) s.remove_prefix(1); };
    auto number = [&](int& v) {
        if (s.empty() || !std::isdigit(static_cast<unsigned char>(s.front()))) return false;
        v = 0;
        while (!s.empty() && std::isdigit(static_cast<unsigned char>(s.front()))) {
            if (v < 10000000) v = v * 10 + (s.front() - '0');
            s.remove_prefix(1);
        }
        return true;
    };
    auto parity = [&](char c) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (std::strchr("NEOMS", c) == nullptr || c == 0) return false;
        out.parity = c;
        return true;
    };
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    if (s.empty()) return true;
    if (std::isalpha(static_cast<unsigned char>(s.front()))) {
        // key=value form: baud=9600 parity=N data=8 stop=1
        while (skip(), !s.empty()) {
            size_t eq = s.find('=');
            if (eq == std::string_view::npos) return false;
            std::string key;
            for (char c : s.substr(0, eq)) key.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
            s.remove_prefix(eq + 1);
            int v = 0;
            if (key == "baud") {
                if (!number(out.baud)) return false;
            } else if (key == "parity") {
                if (s.empty() || !parity(s.front())) return false;
                s.remove_prefix(1);
            } else if (key == "data") {
                if (!number(out.data_bits)) return false;
            } else if (key == "stop") {
                if (!number(v)) return false;
                out.stop_bits = v;
            } else {
                return false;
            }
        }
        return true;
    }
    // baud[,parity[,data[,stop]]]; two-digit speeds abbreviate.
    int baud = 0;
    if (!number(baud)) return false;
    static const int abbreviations[][2] = {{11, 110}, {15, 150}, {30, 300}, {60, 600},
                                           {12, 1200}, {24, 2400}, {48, 4800}, {96, 9600}, {19, 19200}};
    for (const auto& a : abbreviations)
        if (baud == a[0]) baud = a[1];
    out.baud = baud;
    skip();
    if (s.empty()) return true;
    if (!parity(s.front())) return false;
    s.remove_prefix(1);
    skip();
    if (s.empty()) return true;
    if (!number(out.data_bits)) return false;
    skip();
    if (s.empty()) return true;
    if (!number(out.stop_bits)) return false;
    // A stop-bit count of 1.5 is taken as 1.
    if (!s.empty() && s.front() == '.') {
        s.remove_prefix(1);
        int frac;
        if (!number(frac)) return false;
    }
    skip();
    return s.empty();
}

Channels::Channels(interp::Memory& mem, host::Host& host) : m_mem(mem), m_host(host) {
    for (int n = 1; n <= kSerialChannels; ++n) {
        std::string var = "KOV_COM" + std::to_string(n);
        const char* env = std::getenv(var.c_str());
        m_serial_device[n - 1] = env && *env ? env : "/dev/ttyS" + std::to_string(n - 1);
    }
}

Channels::~Channels() { shutdown(); }

void Channels::set_serial_device(int n, std::string path) {
    if (n >= 1 && n <= kSerialChannels) m_serial_device[n - 1] = std::move(path);
}

uint8_t* Channels::buffer(int slot) const {
    return interp::Memory::unchecked_ptr(m_mem.base() + kBufferOffset + static_cast<uint32_t>(slot) * 256u);
}

bool Channels::escape_or_quit() const {
    return m_host.flags.load() & (host::flag::Escape | host::flag::Quit);
}

void Channels::show_handle(int ch, int fd) {
    if (m_handles) m_mem.write32(m_handles + 4u * static_cast<uint32_t>(ch), fd < 0 ? 0u : static_cast<uint32_t>(fd));
}

bool Channels::is_open(int ch) const {
    if (ch >= 1 && ch <= kSerialChannels) return m_serial[ch - 1] >= 0;
    if (ch >= kFirstFile && ch <= kLastChannel) return m_files[ch - kFirstFile].fd >= 0;
    return false;
}

Channels::FileSlot& Channels::file(int ch) {
    if (ch < kFirstFile || ch > kLastChannel || m_files[ch - kFirstFile].fd < 0) raise(FileErr::InvalidChannel);
    return m_files[ch - kFirstFile];
}

int Channels::serial_fd(int ch) {
    if (ch < 1 || ch > kSerialChannels || m_serial[ch - 1] < 0) raise(FileErr::InvalidChannel);
    return m_serial[ch - 1];
}

// ---- opening ----

int Channels::open(const std::string& name, ChannelMode mode) {
    if (!m_host.allow_files) raise(FileErr::AccessDenied);
    if (name.size() >= 5 && name[4] == ':') return open_serial(name);
    std::string path = resolve_existing(host_path(name));
    host::OpenMode how = mode == ChannelMode::Input    ? host::OpenMode::Read
                         : mode == ChannelMode::Output ? host::OpenMode::Create
                                                       : host::OpenMode::Update;
    int slot = 0;
    while (slot < kFileChannels && m_files[slot].fd >= 0) ++slot;
    // Without a free slot nothing is opened: OPENOUT must not truncate a
    // file it then cannot give a channel for.
    if (slot == kFileChannels) raise(FileErr::TooManyOpenFiles);
    int fd = -1;
    if (host::file_open(path, how, fd) != 0) return 0;
    FileSlot& f = m_files[slot];
    f.fd = fd;
    f.path = path;
    f.regular = host::file_is_regular(fd);
    f.reset_state();
    int ch = kFirstFile + slot;
    show_handle(ch, fd);
    return ch;
}

int Channels::open_or_raise(const std::string& name, ChannelMode mode) {
    int ch = open(name, mode);
    if (!ch) raise(FileErr::FileNotFound);
    return ch;
}

int Channels::open_serial(const std::string& name) {
    // COMn: with optional settings; a ".KOV" the default-extension rule
    // added to them is not part of them.
    std::string settings = name.substr(5);
    if (settings.size() >= 4 && settings.compare(settings.size() - 4, 4, ".KOV") == 0) settings.resize(settings.size() - 4);
    std::string device = name.substr(0, 4);
    for (char& c : device) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (device.compare(0, 3, "COM") != 0 || device[3] < '1' || device[3] > '4') return 0;
    host::SerialSettings s;
    if (!parse_serial_settings(settings, s)) return 0;
    int slot = 0;
    while (slot < kSerialChannels && m_serial[slot] >= 0) ++slot;
    if (slot == kSerialChannels) raise(FileErr::TooManyOpenFiles);
    int fd = -1;
    if (host::serial_open(m_serial_device[device[3] - '1'], s, fd) != 0) return 0;
    m_serial[slot] = fd;
    show_handle(slot + 1, fd);
    return slot + 1;
}

// ---- the buffer ----

int Channels::flush(FileSlot& f) {
    if (!(f.flags & kDirty)) return 0;
    uint8_t* buf = buffer(static_cast<int>(&f - m_files));
    uint32_t n = static_cast<uint32_t>(eff(f.dirty_end));
    if (!f.regular) {
        // A device or pipe takes the bytes where it stands.
        if (int e = host::file_write(f.fd, buf, n)) return e;
        f.count = static_cast<uint8_t>(n);
        f.flags = kValid;
        return 0;
    }
    uint64_t here = 0;
    if (int e = host::file_tell(f.fd, here)) return e;
    uint64_t start = here;
    if (f.flags & kValid) {
        start = here - static_cast<uint64_t>(eff(f.count));
        if (int e = host::file_seek(f.fd, start)) return e;
    }
    if (int e = host::file_write(f.fd, buf, n)) {
        // The file pointer goes back where the buffer expects it, so that
        // a later flush writes the same bytes to the same place.
        host::file_seek(f.fd, here);
        return e;
    }
    // Bytes read beyond the written ones stay in the buffer: the file
    // pointer goes back after them, so reading carries on where it was.
    if ((f.flags & kValid) && eff(f.count) > static_cast<int>(n)) {
        if (int e = host::file_seek(f.fd, here)) return e;
    } else {
        f.count = static_cast<uint8_t>(n);
    }
    f.flags = kValid;
    return 0;
}

int Channels::refill(FileSlot& f, int slot) {
    if (int e = flush(f)) return e;
    uint8_t* buf = buffer(slot);
    uint32_t got = 0;
    int e = host::file_read(f.fd, buf, 256, got);
    f.reset_state();
    if (e) return e;
    if (got < 256) std::memset(buf + got, 0, 256 - got);
    f.count = static_cast<uint8_t>(got);
    if (got) f.flags = kValid;
    return 0;
}

uint64_t Channels::file_ptr(FileSlot& f) {
    uint64_t here = 0;
    if (int e = host::file_tell(f.fd, here)) raise_platform(e);
    if (f.count != 0 || (f.flags & kValid)) here -= static_cast<uint64_t>(eff(f.count));
    if (f.pos != 0 || (f.flags & (kValid | kDirty))) here += static_cast<uint64_t>(eff(f.pos));
    return here;
}

// ---- byte transfers ----

uint8_t Channels::read_byte(int ch) {
    if (ch >= 1 && ch <= kSerialChannels) {
        int fd = serial_fd(ch);
        for (;;) {
            uint8_t b = 0;
            bool got = false;
            if (host::serial_read(fd, b, kSerialSliceMs, got) != 0) raise(FileErr::DeviceFault);
            if (got) return b;
            if (escape_or_quit()) {
                // The Escape is raised by the next check of the statement loop.
                host::serial_purge(fd, true);
                return 0;
            }
        }
    }
    FileSlot& f = file(ch);
    if (f.pos == f.count) {
        if (int e = refill(f, ch - kFirstFile)) raise_platform(e);
        if (!(f.flags & kValid)) return 0;   // the end of the file
    }
    uint8_t b = buffer(ch - kFirstFile)[f.pos];
    ++f.pos;
    return b;
}

void Channels::write_byte(int ch, uint8_t byte) {
    if (ch >= 1 && ch <= kSerialChannels) {
        int fd = serial_fd(ch);
        for (;;) {
            bool sent = false;
            if (host::serial_write(fd, byte, kSerialSliceMs, sent) != 0) raise(FileErr::DeviceFault);
            if (sent) return;
            if (escape_or_quit()) {
                host::serial_purge(fd, false);
                return;
            }
        }
    }
    FileSlot& f = file(ch);
    // Refilling first keeps the bytes after the write position when
    // writing inside an existing file.
    if (f.pos == f.count) {
        if (f.regular) {
            if (int e = refill(f, ch - kFirstFile)) raise_platform(e);
        } else {
            if (int e = flush(f)) raise_platform(e);
            f.reset_state();
        }
    }
    buffer(ch - kFirstFile)[f.pos] = byte;
    ++f.pos;
    f.dirty_end = f.pos;
    f.flags |= kDirty;
}

uint32_t Channels::ptr(int ch) { return static_cast<uint32_t>(file_ptr(file(ch))); }

void Channels::set_ptr(int ch, uint32_t value) {
    FileSlot& f = file(ch);
    if (int e = flush(f)) raise_platform(e);
    f.reset_state();
    if (int e = host::file_seek(f.fd, value)) raise_platform(e);
}

uint32_t Channels::extent(int ch) {
    if (ch >= 1 && ch <= kSerialChannels) {
        uint32_t n = 0;
        if (host::serial_waiting(serial_fd(ch), n) != 0) raise(FileErr::DeviceFault);
        return n;
    }
    FileSlot& f = file(ch);
    uint64_t size = 0;
    if (int e = host::file_size(f.fd, size)) raise_platform(e);
    uint64_t p = file_ptr(f);
    return static_cast<uint32_t>(p > size ? p : size);
}

bool Channels::at_end(int ch) {
    FileSlot& f = file(ch);
    if (f.pos != 0 && f.count == 0 && (f.flags & kValid)) return false;
    return ptr(ch) >= extent(ch);
}

// ---- closing ----

void Channels::close_one(int ch) {
    if (ch >= 1 && ch <= kSerialChannels) {
        int fd = serial_fd(ch);
        host::file_close(fd);
        m_serial[ch - 1] = -1;
    } else {
        FileSlot& f = file(ch);
        // A flush that fails is raised, and the channel is closed all the
        // same: a handler that ends the program would otherwise meet the
        // same failure again, for ever.
        int flushed = flush(f);
        int e = host::file_close(f.fd);
        f.fd = -1;
        f.reset_state();
        f.path.clear();
        show_handle(ch, -1);
        if (exec_channel == ch) exec_channel = 0;
        if (spool_channel == ch) spool_channel = 0;
        if (flushed) raise_platform(flushed);
        // Data the kernel could not keep is lost: that is an error too.
        if (e && e != EINTR) raise_platform(e);
        return;
    }
    show_handle(ch, -1);
}

void Channels::close(int ch) {
    if (ch != 0) {
        close_one(ch);
        return;
    }
    // Every channel is tried; the first failure is raised at the end.
    bool failed = false;
    BasicError first{0, ""};
    for (int c = 1; c <= kLastChannel; ++c) {
        if (!is_open(c) || c == exec_channel || c == spool_channel) continue;
        try {
            close_one(c);
        } catch (const BasicError& e) {
            if (!failed) first = e;
            failed = true;
        }
    }
    if (failed) throw first;
}

std::string Channels::shutdown() noexcept {
    std::string report;
    exec_channel = 0;
    spool_channel = 0;
    for (int c = 1; c <= kLastChannel; ++c) {
        if (!is_open(c)) continue;
        std::string path = c >= kFirstFile ? m_files[c - kFirstFile].path : std::string("COM") + char('0' + c);
        try {
            close_one(c);
        } catch (const BasicError& e) {
            report += (report.empty() ? "" : "\n") + path + ": " + e.message;
        } catch (...) {
        }
    }
    return report;
}

void Channels::flush_for_exit() noexcept {
    for (FileSlot& f : m_files)
        if (f.fd >= 0) flush(f);
}

// ---- redirection ----

bool Channels::redirect_output(uint8_t c, int out) {
    if (out) write_byte(out, c);
    if (spool_channel) {
        // A spool file that fails is detached first, so that the report of
        // the error is not spooled into the same failure again.
        int ch = spool_channel;
        try {
            write_byte(ch, c);
        } catch (...) {
            spool_channel = 0;
            throw;
        }
    }
    return out != 0;
}

bool Channels::redirected_input(uint8_t& c, int in, bool& in_ended) {
    in_ended = false;
    if (exec_channel) {
        int ch = exec_channel;
        // Detached while reading, so that an error leaves no loop behind.
        exec_channel = 0;
        c = read_byte(ch);
        if (ch >= kFirstFile && at_end(ch)) {
            close_one(ch);
        } else {
            exec_channel = static_cast<uint8_t>(ch);
        }
        return true;
    }
    if (in) {
        // At the end of a file the keyboard takes over again: reading
        // zeros for ever would leave INPUT waiting for a CR that never comes.
        if (in >= kFirstFile && at_end(in)) {
            in_ended = true;
            return false;
        }
        c = read_byte(in);
        return true;
    }
    return false;
}

}  // namespace kov::os
