#pragma once
// Connects a driver to a shortcut store and an executor: the settings store
// saves and resets the shortcut document with the driver's settings, and each
// hardware-key event fetches its command from the store on the decoding thread
// and runs it with the executor on the main queue.
#include "BTDriverManager.h"

class Configure;
class InputEmulator;

namespace DriverShortcuts {

// queued: called on the decoding thread with each dispatch as it is queued (may be empty).
void connect(BTDriverManager& driver, Configure& store, InputEmulator& executor,
             std::function<void(int32_t keyId, bool down, const std::string& command)> queued = {});

} // namespace DriverShortcuts
