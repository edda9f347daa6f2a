#pragma once
// The composition of the running program: which backends fill the platform
// services, and the process's driver wired to the process's shortcut store
// and executor. Tests and tools compose their own.
class BTDriverManager;

class ProcessServices {
public:
    // Fills the platform services with the Linux backends (once; they live
    // until the process ends, beyond the driver and its thread).
    static void install();
    // The process's driver, its shortcut store and executor connected (once).
    static BTDriverManager& driver();
};
