// Native calls: the address of a function of the process's libraries.
#pragma once

#include <string>

namespace kov::host {

class Native {
public:
    virtual ~Native() = default;
    // nullptr when no library exports `name`.
    virtual void* find_function(const std::string& name) = 0;
};

}  // namespace kov::host
