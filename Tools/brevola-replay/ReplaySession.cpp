#include "ReplaySession.h"

#include "BTDriverManager.h"
#include "BTScreenManager.h"
#include "Configure.h"
#include "DefaultsKeys.h"
#include "DriverShortcuts.h"
#include "FixedDisplayService.h"
#include "InputEmulator.h"
#include "MainQueue.h"
#include "NotificationCenter.h"
#include "PlatformServices.h"
#include "PropertyList.h"
#include "RecordingEventPosting.h"
#include "RecordingHIDEventSystem.h"
#include "RecordingWorkspace.h"
#include "UserDefaults.h"

#include <QTemporaryDir>

#include <cstdio>
#include <fstream>
#include <istream>
#include <ostream>
#include <sstream>

namespace {

void writeLine(std::ostream& out, const char* text, int length)
{
    if (length <= 0) return;
    out.write(text, length);
    out.put('\n');
}

} // namespace

struct ReplaySession::State {
    explicit State(const ReplayOptions& options, std::ostream& output)
        : out(output), displays(options.displays), defaults(dir.filePath("defaults.plist").toStdString())
    {
        // The pointer starts at the cursor position and then follows the tablet's events.
        posting.setPointerLocation(options.cursor);
        PlatformServices& s = Platform::services();
        previousDisplays = s.displays;
        previousEvents = s.hidEventSystem;
        previousPosting = s.eventPosting;
        previousWorkspace = s.workspace;
        s.displays = &displays;
        s.hidEventSystem = &events;
        s.eventPosting = &posting;
        s.workspace = &workspace;
    }
    ~State()
    {
        // Work the driver queued refers to it: run it before the driver goes.
        MainQueue::drain();
        screens.reset();
        driver.reset();
        PlatformServices& s = Platform::services();
        s.displays = previousDisplays;
        s.hidEventSystem = previousEvents;
        s.eventPosting = previousPosting;
        s.workspace = previousWorkspace;
    }

    std::ostream& out;
    QTemporaryDir dir;
    FixedDisplayService displays;
    RecordingHIDEventSystem events;
    RecordingEventPosting posting;
    RecordingWorkspace workspace;
    UserDefaults defaults;
    std::unique_ptr<Configure> shortcuts;
    InputEmulator executor;
    std::unique_ptr<BTDriverManager> driver;
    std::unique_ptr<BTScreenManager> screens;
    ScopedObserver pressureObserver;
    ScopedObserver downKeyObserver;
    ScopedObserver monitorObserver;
    DisplayService* previousDisplays = nullptr;
    HIDEventSystem* previousEvents = nullptr;
    EventPosting* previousPosting = nullptr;
    Workspace* previousWorkspace = nullptr;
};

std::unique_ptr<ReplaySession> ReplaySession::create(const ReplayOptions& options, std::ostream& out,
                                                     std::string& error)
{
    auto state = std::make_unique<State>(options, out);
    if (!state->dir.isValid()) {
        error = "cannot create a temporary folder for the settings";
        return nullptr;
    }
    if (options.defaultsFile) {
        bool missing = false;
        const auto plist = PropertyList::readFile(*options.defaultsFile, &missing);
        const PlistValue::Dictionary* entries = plist ? plist->dictionary() : nullptr;
        if (!entries) {
            error = *options.defaultsFile + (missing ? ": no such file" : ": not a property list dictionary");
            return nullptr;
        }
        for (const auto& [key, value] : *entries) state->defaults.setObject(value, key);
    }
    if (options.shortcutsFile) {
        std::ifstream file(*options.shortcutsFile, std::ios::binary);
        std::ostringstream document;
        document << file.rdbuf();
        if (!file || file.bad()) {
            error = *options.shortcutsFile + ": cannot be read";
            return nullptr;
        }
        state->defaults.setObject(document.str(), DefaultsKeys::shortcutSettings);
    }

    State& s = *state;
    s.events.setObserver([&s](const HIDEvent& event) {
        s.posting.setPointerLocation({static_cast<double>(event.location.x), static_cast<double>(event.location.y)});
        s.out << formatEvent(event) << '\n';
    });
    s.posting.setObserver([&out = s.out](const PostedEvent& event) { out << event.describe() << '\n'; });
    s.workspace.setObserver([&out = s.out](const std::string& path) { out << RecordingWorkspace::describe(path) << '\n'; });
    s.downKeyObserver = ScopedObserver(InputEmulator::DownKey, nullptr, [&out = s.out](const Notification& n) {
        const auto it = n.userInfo.find("kid");
        out << "notify DownKey kid=" << (it == n.userInfo.end() ? -1 : it->second.intValue()) << '\n';
    });
    s.monitorObserver = ScopedObserver(InputEmulator::Monitor, nullptr,
                                       [&out = s.out](const Notification&) { out << "notify Monitor\n"; });
    // Without a document of its own the replay runs no shortcuts, so that its
    // output does not change with the built-in defaults.
    s.shortcuts = std::make_unique<Configure>(&s.defaults, "{}");
    s.driver = std::make_unique<BTDriverManager>(BTDriverManager::Options{&s.defaults});
    BTDriverManager& driver = *s.driver;
    if (driver.openHIDService() == 0) driver.initializeStylus(BTDriverManager::cursorLocation());
    s.screens = std::make_unique<BTScreenManager>(driver);
    driver.setScreenManagerSource(s.screens.get());
    driver.initializeScreenSettings();

    DriverShortcuts::connect(driver, *s.shortcuts, s.executor,
                             [&out = s.out](int32_t keyId, bool down, const std::string& command) {
                                 out << "dispatch key=" << keyId << " down=" << (down ? 1 : 0) << " command=\""
                                     << command << "\"\n";
                             });
    s.pressureObserver = ScopedObserver(kUpdatePressureNotification, nullptr, [&out = s.out](const Notification& n) {
        const auto it = n.userInfo.find("pressure");
        const double percent = it == n.userInfo.end() ? 0.0 : it->second.doubleValue();
        char line[64];
        writeLine(out, line, std::snprintf(line, sizeof line, "notify updatePressure pressure=%.2f", percent));
    });
    driver.setShowPressure(options.showPressure);

    return std::unique_ptr<ReplaySession>(new ReplaySession(std::move(state)));
}

ReplaySession::ReplaySession(std::unique_ptr<State> state) : state_(std::move(state)) {}

ReplaySession::~ReplaySession() = default;

BTDriverManager& ReplaySession::driver() { return *state_->driver; }

RecordingHIDEventSystem& ReplaySession::events() { return state_->events; }

void ReplaySession::feed(const ReportReader::Report& report)
{
    state_->driver->didReceiveReport(report.data(), report[0]);
    MainQueue::drain();
}

bool ReplaySession::run(std::istream& in, std::string& error)
{
    std::string line;
    ReportReader::Report report{};
    for (size_t number = 1; std::getline(in, line); ++number) {
        std::string reason;
        switch (ReportReader::parse(line, report, reason)) {
        case ReportReader::Line::Report: feed(report); break;
        case ReportReader::Line::Skipped: break;
        case ReportReader::Line::Invalid: error = "line " + std::to_string(number) + ": " + reason; return false;
        }
    }
    if (in.bad()) {
        error = "read error";
        return false;
    }
    return true;
}

std::string ReplaySession::formatEvent(const HIDEvent& e)
{
    char line[192];
    int n = 0;
    const int x = e.location.x;
    const int y = e.location.y;
    switch (e.type) {
    case NX::kMouseMoved:
    case NX::kLeftMouseDragged: {
        const NX::MouseMoveData& m = e.data.mouseMove;
        if (m.subType == NX::kSubtypeTabletProximity)
            n = std::snprintf(line, sizeof line, "event type=%d x=%d y=%d dx=%d dy=%d subtype=%d enter=%d", e.type, x, y,
                              m.dx, m.dy, m.subType, m.tablet.proximity.enterProximity);
        else
            n = std::snprintf(line, sizeof line, "event type=%d x=%d y=%d dx=%d dy=%d subtype=%d pressure=%d", e.type, x,
                              y, m.dx, m.dy, m.subType, m.tablet.point.pressure);
        break;
    }
    case NX::kTabletProximity:
        n = std::snprintf(line, sizeof line, "event type=%d x=%d y=%d enter=%d", e.type, x, y,
                          e.data.proximity.enterProximity);
        break;
    case NX::kLeftMouseDown:
    case NX::kLeftMouseUp: {
        const NX::MouseData& m = e.data.mouse;
        n = std::snprintf(line, sizeof line,
                          "event type=%d x=%d y=%d button=%d eventNum=%d pressure=%d subtype=%d tabletPressure=%d",
                          e.type, x, y, m.buttonNumber, m.eventNum, m.pressure, m.subType, m.tablet.point.pressure);
        break;
    }
    default: n = std::snprintf(line, sizeof line, "event type=%d x=%d y=%d", e.type, x, y); break;
    }
    return std::string(line, n > 0 ? static_cast<size_t>(n) : 0);
}
