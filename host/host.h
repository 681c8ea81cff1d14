// The interface between the engine core and the platform. The core sees
// only this; back-ends (headless, windowed) implement it in host/.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

namespace kov::host {

// Urgent flags set by the host and polled by the interpreter between
// statements (one byte test in the common case).
namespace flag {
constexpr uint8_t Quit = 0x01;
constexpr uint8_t Resume = 0x02;
constexpr uint8_t Pause = 0x04;
constexpr uint8_t Tick = 0x10;
constexpr uint8_t Event = 0x20;
constexpr uint8_t Escape = 0x80;
}  // namespace flag

class Host {
public:
    virtual ~Host() = default;

    // A character drawn at the text cursor (for the headless text mirror).
    virtual void mirror_char(uint8_t c) = 0;
    // A line feed at the text cursor.
    virtual void mirror_newline() = 0;

    // Waits up to `timeout_cs` centiseconds (negative: for ever) for a key
    // code. Returns the code, or -1 when none arrived in time. When input
    // has ended for good, sets the Escape flag and returns 27.
    virtual int read_key(int timeout_cs) = 0;
    // True when a key is waiting (does not consume it).
    virtual bool key_waiting() = 0;
    // Discards queued keys (Escape handling).
    virtual void flush_keys() = 0;

    // Monotonic centisecond clock.
    virtual uint32_t centiseconds() = 0;
    virtual void sleep_ms(int ms) = 0;

    // A message box (error 0); headless it goes to standard error.
    virtual void message_box(std::string_view text) = 0;

    // Standard error text for the command line user.
    virtual void diagnostic(std::string_view text) = 0;

    // Sends what the engine has printed on its way (before another
    // program writes to the same output).
    virtual void flush_output() {}

    std::atomic<uint8_t> flags{0};

    // What a program may do to the machine beyond the engine itself. The
    // fuzz targets switch these off, so that random programs touch no
    // files, start no programs and leave the clock alone.
    bool allow_files = true;
    bool allow_programs = true;
    bool allow_clock = true;
};

}  // namespace kov::host
