// The interpreter's side of the VDU driver: errors raised as BASIC errors,
// waits that sleep and poll the urgent flags.
#pragma once

#include "vdu/vdu.h"

namespace kov::interp {

class Interp;

class VduClient : public vdu::Client {
public:
    explicit VduClient(Interp& in) : m_in(in) {}
    void error(int number, const char* message) override;
    void wait_tick() override;

private:
    Interp& m_in;
};

}  // namespace kov::interp
