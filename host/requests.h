// Requests the interpreter sends to the window thread. Each is posted and
// answered through a future, so that objects the window thread owns are
// only ever changed there.
#pragma once

#include <cstdint>
#include <functional>
#include <future>
#include <string_view>

namespace kov::host {

class Requests {
public:
    virtual ~Requests() = default;
    // Runs `job` on the window thread; the future holds its result.
    virtual std::future<uint32_t> on_window_thread(std::function<uint32_t()> job) = 0;
    // The close request (QUIT): the window goes away and the quit flag is set.
    virtual void close_request() = 0;
    // A message box (error 0); headless it goes to standard error.
    virtual void message_box(std::string_view text) = 0;
};

}  // namespace kov::host
