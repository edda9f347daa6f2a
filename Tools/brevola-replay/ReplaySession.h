#pragma once
// One replay: a driver of its own over a temporary defaults store, a fixed
// display layout, a recording event system and a fixed pointer location.
// Every effect of the reports fed to it is written to `out`, one line each.
// The session installs its services process-wide for its lifetime.
#include "ReplayOptions.h"
#include "ReportReader.h"

#include <iosfwd>
#include <memory>
#include <string>

class BTDriverManager;
class RecordingHIDEventSystem;
struct HIDEvent;

class ReplaySession {
public:
    // None, with the reason in error, when the settings file cannot be used.
    static std::unique_ptr<ReplaySession> create(const ReplayOptions& options, std::ostream& out, std::string& error);
    ~ReplaySession();
    ReplaySession(const ReplaySession&) = delete;
    ReplaySession& operator=(const ReplaySession&) = delete;

    // One report through the driver, then everything it queued on the main queue.
    void feed(const ReportReader::Report& report);
    // Every line of in; false at the first line that is no report, with its
    // number and the reason in error.
    bool run(std::istream& in, std::string& error);

    BTDriverManager& driver();
    RecordingHIDEventSystem& events();

    // The output line of one posted event.
    static std::string formatEvent(const HIDEvent& event);

private:
    struct State;
    explicit ReplaySession(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};
