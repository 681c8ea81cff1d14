// The input side. The host's threads (keyboard, terminal, timer, window)
// deliver keys and events to an InputSink, which the OS layer implements
// over the key buffer and event queue in BASIC memory. The core asks the
// host for the physical state of keys through KeyState.
#pragma once

#include <cstdint>

namespace kov::host {

// Which ON handler a window event is for.
enum class EventKind : uint8_t { Time, Close, Move, Sys, Mouse };

// Message numbers of the events the host produces.
namespace message {
constexpr uint32_t Close = 0x0010;
constexpr uint32_t Move = 0x0003;
constexpr uint32_t Size = 0x0005;
constexpr uint32_t Timer = 0x0113;
constexpr uint32_t Command = 0x0111;
}  // namespace message

class InputSink {
public:
    virtual ~InputSink() = default;
    // Appends a key code to the key buffer; false when it is full and the
    // code was dropped. Called from one producer thread at a time.
    virtual bool push_key(int code) = 0;
    // Free places in the key buffer (0..255).
    virtual int key_space() = 0;
    // The Escape key: the Escape condition, or code 27 under *ESC OFF.
    virtual void raise_escape() = 0;
    // Input has ended for good: a wait for a key then sees Escape.
    virtual void end_of_input() = 0;
    // The 250 ms timer.
    virtual void timer_tick() = 0;
    // A window event for an ON handler. False when no handler is set (the
    // host then does the default, e.g. closes the window); a full queue
    // drops the event silently and still returns true.
    virtual bool post_event(EventKind kind, uint32_t message, uint32_t wparam, uint32_t lparam) = 0;
};

// The host side of input.
class Input {
public:
    virtual ~Input() = default;
    // Starts delivering keys, ticks and events to `sink`; nullptr stops
    // (joins the host's input threads before returning).
    virtual void attach_input(InputSink* sink) = 0;
    // True while the key with the given virtual-key code is held down.
    virtual bool key_down(uint8_t virtual_key) = 0;
    // The program waits for a key and the buffer is empty (called from
    // the interpreter's waiting loops: output is flushed then, and a
    // scripted Escape waits for this).
    virtual void input_wanted() {}
    // The pointer's position from the client area's top-left, in pixels
    // of the shadow bitmap, outside the window too; (0, 0) without one.
    virtual void pointer_position(int& x, int& y) { x = y = 0; }
    // The pointer's shape over the window: a system shape as MOUSE ON
    // numbers them (0 the arrow, 1 the I-beam, 2 the hourglass, 3 the
    // cross ...), or -1 for none (the pointer is invisible there).
    virtual void set_pointer_shape(int) {}
};

// The handle of system pointer shape `shape` (0..255), as @hcsr% holds it;
// 0 for a number that names no shape.
constexpr uint32_t pointer_handle(int shape) {
    const bool known = (shape >= 0 && shape <= 4) || (shape >= 128 && shape <= 139 && shape != 135);
    return known ? 0xC501u + static_cast<uint32_t>(shape) : 0;
}

}  // namespace kov::host
