#pragma once
// Main-queue dispatch and timers over Qt's event loop.
#include <functional>

class QObject;

namespace MainQueue {

// Runs fn later on the main thread's event loop (the application object's thread).
void async(std::function<void()> fn);

// Runs every piece of work already queued for the main thread (call on the main thread).
void drain();

} // namespace MainQueue

namespace Timer {

// A one-shot timer on the calling thread's event loop.
void singleShot(int milliseconds, std::function<void()> fn);

} // namespace Timer
