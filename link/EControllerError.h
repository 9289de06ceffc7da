#pragma once

#include <stdexcept>

// Raised by the HID layer: a second controller, or an interface that cannot be opened or
// identified while the device list is built (such an interface is skipped).
class EControllerError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};
