// The interface between the engine core and the platform: the host-flags
// byte and the small interfaces of the headers below. The core sees only
// these; back-ends (headless, windowed) implement them in host/.
#pragma once

#include <cstdint>
#include <string_view>

#include "host/audio.h"
#include "host/clock.h"
#include "host/flags.h"
#include "host/input.h"
#include "host/native.h"
#include "host/requests.h"
#include "host/surface.h"

namespace kov::host {

// The values of @hwnd%, @hpal%, @hcsr% and @ispal% (0 without a window).
struct WindowHandles {
    uint32_t hwnd = 0;
    uint32_t hpal = 0;
    uint32_t hcsr = 0;
    uint32_t ispal = 0;
};

class Host : public Clock, public Input, public Surface, public Requests, public Audio, public Native {
public:
    // Standard error text for the command line user.
    virtual void diagnostic(std::string_view text) = 0;
    // "FILE:LINE: message" for an untrapped error, for the command-line
    // user; a back-end that shows the report anyway may drop it.
    virtual void error_location(std::string_view) {}
    // Sends what the engine has printed on its way (before another
    // program writes to the same output).
    virtual void flush_output() {}
    // The handles a program reads from the system variables.
    virtual WindowHandles window_handles() { return {}; }
    // True when the stop sequence waits for Escape (or the window to be
    // closed) after its ">"; headless nobody could press it.
    virtual bool stop_waits() { return false; }

    Flags flags{0};

    // What a program may do to the machine beyond the engine itself. The
    // fuzz targets switch these off, so that random programs touch no
    // files, start no programs and leave the clock alone.
    bool allow_files = true;
    bool allow_programs = true;
    bool allow_clock = true;
};

}  // namespace kov::host
