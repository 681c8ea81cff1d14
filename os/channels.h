// Numbered channels onto files and serial ports.
//
// Channels 1..4 are the serial ports COM1: to COM4:, unbuffered; 5..12
// are files, each read and written through its own 256-byte buffer in the
// file-buffer area of the BASIC memory. The same byte-level operations
// serve BGET#/BPUT#, PRINT#/INPUT#, *EXEC, *SPOOL, *TYPE and the *INPUT
// and *OUTPUT redirections, whose channel numbers live here too.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "host/filesystem.h"
#include "host/host.h"
#include "interp/memory.h"

namespace kov::os {

enum class ChannelMode : uint8_t { Input, Output, Update };

// Reads the settings after "COMn:" ("9600,n,8,1" or "baud=9600 parity=N
// data=8 stop=1"; nothing keeps the defaults). False when they are bad.
bool parse_serial_settings(std::string_view text, host::SerialSettings& out);

class Channels {
public:
    static constexpr int kSerialChannels = 4;
    static constexpr int kFileChannels = 8;
    static constexpr int kFirstFile = 5;
    static constexpr int kLastChannel = 12;
    static constexpr uint32_t kBufferOffset = 0x800;   // from the memory base

    Channels(interp::Memory& mem, host::Host& host);
    ~Channels();
    Channels(const Channels&) = delete;
    Channels& operator=(const Channels&) = delete;

    // Where the handles of channels 1..12 are shown to the program
    // (elements 1..12 of @hfile%(); 0 for none).
    void set_handle_array(uint32_t element0) { m_handles = element0; }
    // The device for serial port n (1..4).
    void set_serial_device(int n, std::string path);

    // Opens the file (a parsed name, default extension applied) or
    // serial port. Returns the channel, or 0 when it cannot be opened;
    // raises 192 "Too many open files" with no free slot.
    int open(const std::string& name, ChannelMode mode);
    // Opens a file for a command that needs it: a failure raises
    // 214 "File or path not found".
    int open_or_raise(const std::string& name, ChannelMode mode);

    uint8_t read_byte(int ch);
    void write_byte(int ch, uint8_t byte);
    uint32_t ptr(int ch);
    void set_ptr(int ch, uint32_t value);
    uint32_t extent(int ch);
    bool at_end(int ch);
    // Closes channel `ch`; 0 closes every file channel but the *EXEC and
    // *SPOOL ones, and every serial channel. A failed flush raises once
    // the channel is closed (and, for 0, the others too).
    void close(int ch);
    bool is_open(int ch) const;

    // Flushes and closes everything, *EXEC and *SPOOL channels included:
    // the engine calls it on every way it ends. Never raises; returns the
    // messages of flushes that failed ("" when all went well).
    std::string shutdown() noexcept;
    // Writes what the buffers hold and nothing else: for an immediate exit
    // (a repeated SIGINT, a fatal signal), so it makes only plain system
    // calls and may run in a signal handler.
    void flush_for_exit() noexcept;

    // ---- redirection ----
    uint8_t exec_channel = 0;    // *EXEC source, 0 = none
    uint8_t spool_channel = 0;   // *SPOOL copy, 0 = none
    // Sends a character to the *OUTPUT channel `out` (0: none; true when
    // it went there instead of the screen) and copies it to the *SPOOL
    // channel.
    bool redirect_output(uint8_t c, int out);
    // Takes the next input character from *EXEC, else from the *INPUT
    // channel `in` (0: none). False when neither gives one: read the
    // keyboard. `in_ended` is set when the *INPUT file has run out.
    bool redirected_input(uint8_t& c, int in, bool& in_ended);

private:
    struct FileSlot {
        int fd = -1;
        // The buffer state: pos, count, dirty end (0 meaning 256 where the
        // flags say the buffer holds anything) and the flags, reset together.
        uint8_t pos = 0, count = 0, dirty_end = 0, flags = 0;
        std::string path;
        // Devices and pipes have no positions: writing does not read
        // ahead first, and a flush writes where the stream stands.
        bool regular = true;
        void reset_state() { pos = count = dirty_end = flags = 0; }
    };
    static constexpr uint8_t kValid = 0x01;
    static constexpr uint8_t kDirty = 0x80;

    FileSlot& file(int ch);          // an open file channel, else 222
    int serial_fd(int ch);           // an open serial channel, else 222
    uint8_t* buffer(int slot) const;
    int open_serial(const std::string& name);
    // Writes the dirty part of the buffer: 0 or the platform error.
    int flush(FileSlot& f);
    int refill(FileSlot& f, int slot);
    uint64_t file_ptr(FileSlot& f);
    void close_one(int ch);
    void show_handle(int ch, int fd);
    bool escape_or_quit() const;

    interp::Memory& m_mem;
    host::Host& m_host;
    uint32_t m_handles = 0;
    FileSlot m_files[kFileChannels];
    int m_serial[kSerialChannels] = {-1, -1, -1, -1};
    std::string m_serial_device[kSerialChannels];
};

}  // namespace kov::os
