#pragma once
// An event system that accepts every event and delivers none: for running the
// driver core where no events may reach the desktop (benchmarks, dry runs).
#include "HIDEventSystem.h"

class NullHIDEventSystem : public HIDEventSystem {
public:
    bool hasService() const override { return true; }
    int32_t openConnection(Connection& connection) override;
    int32_t closeConnection(Connection connection) override;
    int32_t postEvent(Connection connection, const HIDEvent& event) override;
};
