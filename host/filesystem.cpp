// The POSIX side of files, directories, serial ports, other programs and
// the clock.
#include "host/filesystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

namespace kov::host {

namespace {

// Retries a call interrupted by a signal.
template <typename F>
auto retry(F f) {
    for (;;) {
        auto r = f();
        if (r >= 0 || errno != EINTR) return r;
    }
}

}  // namespace

// ---- files ----

int file_open(const std::string& path, OpenMode mode, int& fd) {
    int flags = O_CLOEXEC;
    switch (mode) {
        case OpenMode::Read: flags |= O_RDONLY; break;
        case OpenMode::Create: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
        case OpenMode::Update: flags |= O_RDWR; break;
    }
    // A read-only file refuses writing even to the superuser, as the
    // read-only attribute does.
    if (mode != OpenMode::Read) {
        bool read_only = false;
        if (is_read_only(path, read_only) == 0 && read_only) return EACCES;
    }
    fd = retry([&] { return ::open(path.c_str(), flags, 0666); });
    if (fd < 0) return errno;
    // A directory opens for reading on POSIX but is no file to a program.
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        fd = -1;
        return EISDIR;
    }
    return 0;
}

int file_read(int fd, uint8_t* buf, uint32_t size, uint32_t& got) {
    got = 0;
    while (got < size) {
        ssize_t n = retry([&] { return ::read(fd, buf + got, size - got); });
        if (n < 0) return errno;
        if (n == 0) break;
        got += static_cast<uint32_t>(n);
    }
    return 0;
}

int file_write(int fd, const uint8_t* buf, uint32_t size) {
    uint32_t done = 0;
    while (done < size) {
        ssize_t n = retry([&] { return ::write(fd, buf + done, size - done); });
        if (n < 0) return errno;
        if (n == 0) return ENOSPC;
        done += static_cast<uint32_t>(n);
    }
    return 0;
}

int file_seek(int fd, uint64_t offset) {
    if (offset > static_cast<uint64_t>(INT64_MAX)) return EINVAL;
    return ::lseek(fd, static_cast<off_t>(offset), SEEK_SET) < 0 ? errno : 0;
}

int file_tell(int fd, uint64_t& offset) {
    off_t r = ::lseek(fd, 0, SEEK_CUR);
    if (r < 0) return errno;
    offset = static_cast<uint64_t>(r);
    return 0;
}

int file_size(int fd, uint64_t& size) {
    struct stat st;
    if (::fstat(fd, &st) != 0) return errno;
    size = static_cast<uint64_t>(st.st_size);
    return 0;
}

bool file_is_regular(int fd) {
    struct stat st;
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

int file_close(int fd) {
    // close() is not retried: the descriptor is gone even when it fails.
    return ::close(fd) == 0 ? 0 : errno;
}

// ---- names and directories ----

bool path_exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

int list_directory(const std::string& dir, std::vector<DirEntry>& out) {
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return errno;
    while (dirent* e = ::readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        DirEntry entry;
        entry.name = name;
        struct stat st;
        std::string full = (dir.empty() ? std::string(".") : dir) + "/" + name;
        if (::stat(full.c_str(), &st) == 0) {
            entry.directory = S_ISDIR(st.st_mode);
            entry.read_only = (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
        }
        out.push_back(std::move(entry));
    }
    ::closedir(d);
    return 0;
}

int current_directory(std::string& out) {
    char buf[PATH_MAX];
    if (!::getcwd(buf, sizeof buf)) return errno;
    out = buf;
    return 0;
}

int change_directory(const std::string& path) { return ::chdir(path.c_str()) == 0 ? 0 : errno; }
int make_directory(const std::string& path) { return ::mkdir(path.c_str(), 0777) == 0 ? 0 : errno; }
int remove_directory(const std::string& path) { return ::rmdir(path.c_str()) == 0 ? 0 : errno; }

int delete_file(const std::string& path) {
    // A read-only file cannot be deleted (POSIX would allow it when the
    // directory is writable).
    bool read_only = false;
    if (int e = is_read_only(path, read_only)) return e;
    if (read_only) return EACCES;
    return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

int copy_file(const std::string& from, const std::string& to) {
    int in = -1;
    if (int e = file_open(from, OpenMode::Read, in)) return e;
    struct stat st;
    mode_t mode = ::fstat(in, &st) == 0 ? (st.st_mode & 0777) : 0666;
    bool target_read_only = false;
    if (is_read_only(to, target_read_only) == 0 && target_read_only) {
        ::close(in);
        return EACCES;
    }
    int out = retry([&] { return ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode | S_IWUSR); });
    if (out < 0) {
        int e = errno;
        ::close(in);
        return e;
    }
    uint8_t buf[65536];
    int err = 0;
    for (;;) {
        uint32_t got = 0;
        if ((err = file_read(in, buf, sizeof buf, got)) != 0 || got == 0) break;
        if ((err = file_write(out, buf, got)) != 0) break;
    }
    ::close(in);
    if (::close(out) != 0 && !err) err = errno;
    if (!err) ::chmod(to.c_str(), mode);
    return err;
}

int rename_file(const std::string& from, const std::string& to) {
    // Like the move it stands for, an existing target is an error.
    if (path_exists(to)) return EEXIST;
    if (::rename(from.c_str(), to.c_str()) == 0) return 0;
    if (errno != EXDEV) return errno;
    // Across file systems: copy, then delete the original.
    if (int e = copy_file(from, to)) return e;
    return ::unlink(from.c_str()) == 0 ? 0 : errno;
}

int is_read_only(const std::string& path, bool& read_only) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return errno;
    read_only = (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
    return 0;
}

int set_read_only(const std::string& path, bool read_only) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return errno;
    mode_t mode = st.st_mode & 07777;
    mode = read_only ? (mode & ~(S_IWUSR | S_IWGRP | S_IWOTH)) : (mode | S_IWUSR);
    return ::chmod(path.c_str(), mode) == 0 ? 0 : errno;
}

// ---- other programs ----

int process_start(const std::string& command, bool detach, int& pid) {
    pid_t child = ::fork();
    if (child < 0) return errno;
    if (child == 0) {
        // A program nobody waits for runs as a grandchild, so that it is
        // never left a zombie of the engine.
        if (detach) {
            pid_t grandchild = ::fork();
            if (grandchild != 0) ::_exit(grandchild < 0 ? 127 : 0);
        }
        // The program gets the default signal actions and a clean mask.
        sigset_t none;
        sigemptyset(&none);
        ::pthread_sigmask(SIG_SETMASK, &none, nullptr);
        ::signal(SIGINT, SIG_DFL);
        ::signal(SIGTERM, SIG_DFL);
        ::signal(SIGHUP, SIG_DFL);
        ::signal(SIGPIPE, SIG_DFL);
        ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    pid = child;
    if (detach) {
        int status;
        retry([&] { return ::waitpid(child, &status, 0); });
    }
    return 0;
}

bool process_wait(int pid, int timeout_ms, int& exit_status) {
    // Polls in 10 ms steps: there is no portable wait with a time-out.
    for (int waited = 0;; waited += 10) {
        int status = 0;
        pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid) {
            exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
            return true;
        }
        if (r < 0 && errno == ECHILD) {
            exit_status = 0;
            return true;
        }
        if (waited >= timeout_ms) return false;
        struct timespec ts{0, 10 * 1000 * 1000};
        ::nanosleep(&ts, nullptr);
    }
}

// ---- serial ports ----

namespace {

speed_t baud_constant(int baud) {
    switch (baud) {
        case 50: return B50;
        case 75: return B75;
        case 110: return B110;
        case 134: return B134;
        case 150: return B150;
        case 200: return B200;
        case 300: return B300;
        case 600: return B600;
        case 1200: return B1200;
        case 1800: return B1800;
        case 2400: return B2400;
        case 4800: return B4800;
        case 9600: return B9600;
        case 19200: return B19200;
        case 38400: return B38400;
        case 57600: return B57600;
        case 115200: return B115200;
        case 230400: return B230400;
        case 460800: return B460800;
        case 921600: return B921600;
        default: return 0;
    }
}

}  // namespace

int serial_open(const std::string& device, const SerialSettings& s, int& fd) {
    speed_t speed = baud_constant(s.baud);
    if (!speed || s.data_bits < 5 || s.data_bits > 8 || (s.stop_bits != 1 && s.stop_bits != 2)) return EINVAL;
    fd = retry([&] { return ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC); });
    if (fd < 0) return errno;
    termios t;
    if (::tcgetattr(fd, &t) != 0) {
        int e = errno;
        ::close(fd);
        fd = -1;
        return e == ENOTTY ? ENODEV : e;
    }
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB);
#ifdef CMSPAR
    t.c_cflag &= ~CMSPAR;
#endif
    static const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    t.c_cflag |= sizes[s.data_bits - 5];
    if (s.stop_bits == 2) t.c_cflag |= CSTOPB;
    switch (s.parity) {
        case 'E': t.c_cflag |= PARENB; break;
        case 'O': t.c_cflag |= PARENB | PARODD; break;
#ifdef CMSPAR
        case 'M': t.c_cflag |= PARENB | PARODD | CMSPAR; break;
        case 'S': t.c_cflag |= PARENB | CMSPAR; break;
#endif
        default: break;
    }
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    ::cfsetispeed(&t, speed);
    ::cfsetospeed(&t, speed);
    if (::tcsetattr(fd, TCSANOW, &t) != 0) {
        int e = errno;
        ::close(fd);
        fd = -1;
        return e;
    }
    ::tcflush(fd, TCIOFLUSH);
    return 0;
}

int serial_read(int fd, uint8_t& byte, int timeout_ms, bool& got) {
    got = false;
    pollfd p{fd, POLLIN, 0};
    int r = ::poll(&p, 1, timeout_ms);
    if (r < 0) return errno == EINTR ? 0 : errno;
    if (r == 0) return 0;
    ssize_t n = ::read(fd, &byte, 1);
    if (n == 1) {
        got = true;
        return 0;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return 0;
    // The other end hung up: nothing will come, which is a device fault.
    return n == 0 || (p.revents & POLLHUP) ? EIO : errno;
}

int serial_write(int fd, uint8_t byte, int timeout_ms, bool& sent) {
    sent = false;
    pollfd p{fd, POLLOUT, 0};
    int r = ::poll(&p, 1, timeout_ms);
    if (r < 0) return errno == EINTR ? 0 : errno;
    if (r == 0) return 0;
    ssize_t n = ::write(fd, &byte, 1);
    if (n == 1) {
        sent = true;
        return 0;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return 0;
    return n < 0 ? errno : EIO;
}

int serial_waiting(int fd, uint32_t& count) {
    int n = 0;
    if (::ioctl(fd, FIONREAD, &n) != 0) return errno;
    count = n < 0 ? 0 : static_cast<uint32_t>(n);
    return 0;
}

void serial_purge(int fd, bool input) { ::tcflush(fd, input ? TCIFLUSH : TCOFLUSH); }

// ---- the clock ----

LocalTime local_time() {
    timespec ts;
    ::clock_gettime(CLOCK_REALTIME, &ts);
    tm t;
    ::localtime_r(&ts.tv_sec, &t);
    LocalTime r;
    r.year = t.tm_year + 1900;
    r.month = t.tm_mon + 1;
    r.day = t.tm_mday;
    r.day_of_week = t.tm_wday;
    r.hour = t.tm_hour;
    r.minute = t.tm_min;
    r.second = t.tm_sec;
    r.millisecond = static_cast<int>(ts.tv_nsec / 1000000);
    return r;
}

bool set_local_time(const LocalTime& l) {
    if (l.month < 1 || l.month > 12 || l.day < 1 || l.day > 31 || l.hour < 0 || l.hour > 23 ||
        l.minute < 0 || l.minute > 59 || l.second < 0 || l.second > 59 || l.year < 1601 || l.year > 30827)
        return false;
    tm t{};
    t.tm_year = l.year - 1900;
    t.tm_mon = l.month - 1;
    t.tm_mday = l.day;
    t.tm_hour = l.hour;
    t.tm_min = l.minute;
    t.tm_sec = l.second;
    t.tm_isdst = -1;
    time_t when = ::mktime(&t);
    // mktime normalises 31 February into March: such a date is refused.
    if (when == static_cast<time_t>(-1) || t.tm_mday != l.day || t.tm_mon != l.month - 1) return false;
    timespec ts{when, static_cast<long>(l.millisecond) * 1000000L};
    return ::clock_settime(CLOCK_REALTIME, &ts) == 0;
}

}  // namespace kov::host
