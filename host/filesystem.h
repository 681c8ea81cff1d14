// Files, directories, serial ports, other programs and the clock: the
// platform calls the operating-system layer needs, behind plain functions.
// Every operation returns 0 on success or the platform's error number
// (errno), which the caller maps to a BASIC error.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kov::host {

// ---- files ----

enum class OpenMode : uint8_t {
    Read,     // an existing file, read only
    Create,   // created or truncated, read and write
    Update,   // an existing file, read and write
};

int file_open(const std::string& path, OpenMode mode, int& fd);
// Reads up to `size` bytes; `got` is what arrived (0 at the end).
int file_read(int fd, uint8_t* buf, uint32_t size, uint32_t& got);
// Writes all `size` bytes or fails (a short write is ENOSPC).
int file_write(int fd, const uint8_t* buf, uint32_t size);
int file_seek(int fd, uint64_t offset);
int file_tell(int fd, uint64_t& offset);
int file_size(int fd, uint64_t& size);
// True for a plain file (one with positions), false for a device or pipe.
bool file_is_regular(int fd);
// Closing hands the data to the kernel, which keeps it whatever happens
// to the engine afterwards.
int file_close(int fd);

// ---- names and directories ----

struct DirEntry {
    std::string name;
    bool read_only = false;
    bool directory = false;
};

bool path_exists(const std::string& path);
// The entries of `dir` (not "." and ".."), in the order the platform
// gives them.
int list_directory(const std::string& dir, std::vector<DirEntry>& out);
int current_directory(std::string& out);
int change_directory(const std::string& path);
int make_directory(const std::string& path);
int remove_directory(const std::string& path);
int delete_file(const std::string& path);
int rename_file(const std::string& from, const std::string& to);
// Copies a file, replacing the destination.
int copy_file(const std::string& from, const std::string& to);
// Sets or clears read-only: every write permission bit off, or the
// owner's write bit on.
int set_read_only(const std::string& path, bool read_only);
int is_read_only(const std::string& path, bool& read_only);

// ---- other programs ----

// Starts `command` through the shell with the engine's standard streams.
// `pid` identifies it for process_wait; a detached program is never
// waited for.
int process_start(const std::string& command, bool detach, int& pid);
// Waits up to `timeout_ms` for the program to end: true when it has
// ended (and is reaped), with its exit status in `status` (127: the
// shell found no such program).
bool process_wait(int pid, int timeout_ms, int& status);

// ---- serial ports ----

struct SerialSettings {
    int baud = 9600;
    char parity = 'N';   // N, E, O, M or S
    int data_bits = 8;
    int stop_bits = 1;
};

// Opens a terminal device and applies the settings (raw mode).
int serial_open(const std::string& device, const SerialSettings& settings, int& fd);
// Waits up to `timeout_ms` for one byte: `got` says whether it came.
int serial_read(int fd, uint8_t& byte, int timeout_ms, bool& got);
// Waits up to `timeout_ms` to send one byte: `sent` says whether it went.
int serial_write(int fd, uint8_t byte, int timeout_ms, bool& sent);
// Bytes received and not yet read.
int serial_waiting(int fd, uint32_t& count);
// Discards what is queued in one direction (input or output).
void serial_purge(int fd, bool input);

// ---- the clock ----

struct LocalTime {
    int year = 0;        // e.g. 2026
    int month = 0;       // 1..12
    int day = 0;         // 1..31
    int day_of_week = 0; // 0 = Sunday
    int hour = 0, minute = 0, second = 0, millisecond = 0;
};

LocalTime local_time();
// Sets the computer's clock; false when the platform refuses.
bool set_local_time(const LocalTime& t);

}  // namespace kov::host
