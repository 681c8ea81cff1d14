// The host-flags byte: urgent conditions the host's threads signal to the
// interpreter, tested once per statement. Every change is an atomic
// read-modify-write of single bits.
#pragma once

#include <atomic>
#include <cstdint>

namespace kov::host {

namespace flag {
constexpr uint8_t Quit = 0x01;        // the engine is closing: end at the next poll
constexpr uint8_t Resume = 0x02;      // lets one statement through while paused
constexpr uint8_t Pause = 0x04;       // hold the program before each statement
constexpr uint8_t Tick = 0x10;        // a 250 ms tick has passed
constexpr uint8_t Event = 0x20;       // the event queue may hold records
constexpr uint8_t EscapeOff = 0x40;   // *ESC OFF: the Escape key is an ordinary key
constexpr uint8_t Escape = 0x80;      // an Escape condition is pending
// What waiting loops test: quit, tick and Escape (never events).
constexpr uint8_t Waiting = Quit | Tick | Escape;
}  // namespace flag

using Flags = std::atomic<uint8_t>;

}  // namespace kov::host
