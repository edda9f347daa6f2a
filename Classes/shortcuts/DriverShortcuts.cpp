#include "DriverShortcuts.h"

#include "Configure.h"
#include "InputEmulator.h"

namespace DriverShortcuts {

void connect(BTDriverManager& driver, Configure& store, InputEmulator& executor,
             std::function<void(int32_t keyId, bool down, const std::string& command)> queued)
{
    driver.setShortcutStore(&store);
    driver.setShortcutDispatch({
        .readShortcutForCmd = [&store](int32_t keyId) { return store.readShortcutForCmd(keyId); },
        .sendKeyboard = [&executor](const std::string& command, bool down,
                                    int32_t keyId) { executor.sendKeyboard(command, down, keyId); },
        .queued = std::move(queued),
    });
}

} // namespace DriverShortcuts
