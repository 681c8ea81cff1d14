// The interface between the engine core and the platform: the host-flags
// byte and the small interfaces of the headers below. The core sees only
// these; back-ends (headless, windowed) implement them in host/.
#pragma once

#include <string_view>

#include "host/audio.h"
#include "host/clock.h"
#include "host/flags.h"
#include "host/input.h"
#include "host/native.h"
#include "host/requests.h"
#include "host/surface.h"

namespace kov::host {

class Host : public Clock, public Input, public Surface, public Requests, public Audio, public Native {
public:
    // Standard error text for the command line user.
    virtual void diagnostic(std::string_view text) = 0;
    // "FILE:LINE: message" for an untrapped error, for the command-line
    // user; a back-end that shows the report anyway may drop it.
    virtual void error_location(std::string_view) {}

    Flags flags{0};
};

}  // namespace kov::host
