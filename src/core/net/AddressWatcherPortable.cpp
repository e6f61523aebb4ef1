#include "AddressWatcher.h"

// Without a notification the platform layer knows of, the addresses are polled.
std::unique_ptr<AddressWatcher> AddressWatcher::create()
{
    return polling();
}
