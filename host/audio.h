// Sound output: the device pulls unsigned 8-bit mono samples at 22050 Hz.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace kov::host {

class Audio {
public:
    virtual ~Audio() = default;
    using Pull = std::function<void(uint8_t* samples, size_t count)>;
    // Opens the device, which from then on calls `pull` for samples.
    // False when there is no device.
    virtual bool open_audio(Pull pull) = 0;
    virtual void close_audio() = 0;
};

}  // namespace kov::host
