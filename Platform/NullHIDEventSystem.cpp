#include "NullHIDEventSystem.h"

int32_t NullHIDEventSystem::openConnection(Connection& connection)
{
    connection = 1;
    return 0;
}

int32_t NullHIDEventSystem::closeConnection(Connection connection)
{
    return connection ? 0 : kIOReturnNotOpen;
}

int32_t NullHIDEventSystem::postEvent(Connection connection, const HIDEvent&)
{
    return connection ? 0 : kIOReturnNotOpen;
}
