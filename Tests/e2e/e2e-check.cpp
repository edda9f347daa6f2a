// Judges one run of the end-to-end scenario from what the virtual tablet, the
// event reader and the driver wrote, prints one line per assertion and a
// verdict, and exits 1 when any assertion failed.
//
//   e2e-check --events FILE --tablet FILE --driver-log FILE [--pen LABEL]
//             [--area X,Y,WIDTH,HEIGHT] [--exit NAME=STATUS ...]
//             [--recording FILE [--recording-at-unplug FILE]]
//
// The expectations follow the virtual tablet's script: two connections, on each
// a hover in and out; on the first a stroke with pressure rising then falling,
// stylus button 1, hardware key 1 and key 3; and the shortcuts of
// shortcuts.json: key 1 is Ctrl+X, key 3 is Shift+A, stylus button 1 is the
// right mouse button. Devices other than the pen are where shortcut events
// may arrive. The driver stops while the last connection is still plugged in:
// until then the tablet's own event node must tell another reader nothing,
// afterwards it must. With --recording, the driver's recording must describe
// the tablet as it declared itself on each plug-in and hold the reports it
// sent, in order; --recording-at-unplug is a copy taken after the first
// unplug, which must already hold the first connection's block whole.
#include "e2e.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <set>
#include <sstream>
#include <tuple>

using namespace e2e;

namespace {

using Verdict = std::optional<std::string>; // the reason of a failure

struct Event {
    std::string label;
    int type, code, value;
};

// A recording: one block per R: line, with its header lines (R:, N:, P:, I:)
// and the "<length> <bytes>" of each E: line; the reason when a line does
// not belong.
struct Recording {
    std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> blocks;
    std::vector<long long> times;
    Verdict error;
    std::string text;
};

Recording parseRecording(const std::string& text)
{
    Recording r{{}, {}, {}, text};
    std::istringstream lines(text);
    for (std::string line; !r.error && std::getline(lines, line);) {
        const std::string tag = line.substr(0, 3);
        unsigned long long seconds = 0, micros = 0;
        int used = 0;
        if (line.empty() || line[0] == '#') continue;
        if (tag == "R: ") r.blocks.emplace_back();
        if (r.blocks.empty()) {
            r.error = "line before the first R: line: \"" + line + "\"";
        } else if (tag == "R: " || tag == "N: " || tag == "P: " || tag == "I: ") {
            if (!r.blocks.back().second.empty()) r.error = "header line after a report: \"" + line + "\"";
            r.blocks.back().first.push_back(line);
        } else if (tag != "E: ") {
            r.error = "unexpected line \"" + line + "\"";
        } else if (std::sscanf(line.c_str(), "E: %llu.%6llu %n", &seconds, &micros, &used) != 2 || line[9] != '.') {
            r.error = "bad report line \"" + line + "\"";
        } else {
            r.times.push_back(static_cast<long long>(seconds * 1000000 + micros));
            r.blocks.back().second.push_back(line.substr(static_cast<size_t>(used)));
        }
    }
    return r;
}

struct Inputs {
    std::vector<Event> events;
    std::map<std::string, std::map<int, std::pair<int, int>>> absinfo; // label -> code -> minimum, maximum
    std::set<std::string> devices;
    std::vector<std::tuple<std::string, int, std::string>> tablet; // kind, connection, the rest of the line
    std::optional<Recording> recording, atUnplug;
    std::string driverLog;
    std::vector<std::string> exits;
    const int connections = 2; // the tablet's script plugs it in twice
    std::string pen;
    std::vector<int> area;

    // The virtual tablet's lines of one kind and connection.
    std::vector<std::string> lines(const std::string& kind, int connection) const
    {
        std::vector<std::string> out;
        for (const auto& [k, c, rest] : tablet)
            if (k == kind && c == connection) out.push_back(rest);
        return out;
    }
};

using Check = std::function<Verdict(const Inputs&)>;

std::ostream& operator<<(std::ostream& o, std::pair<int, int> key) { return o << key.first << " " << key.second; }

template <class T> std::string join(const std::vector<T>& v, const char* separator = " ", size_t limit = 24)
{
    std::ostringstream s;
    for (size_t i = 0; i < v.size() && i < limit; ++i) s << (i ? separator : "") << v[i];
    if (v.size() > limit) s << " ... (" << v.size() << " values)";
    return v.empty() ? "none" : s.str();
}

std::string str(long n) { return std::to_string(n); }

// The values of one of the pen's axes, all of them or those of its stroke:
// from the first BTN_TOUCH down to the next up.
std::vector<int> axisValues(const Inputs& in, int axis, bool strokeOnly)
{
    std::vector<int> v;
    int touches = 0; // down and up
    for (const Event& e : in.events) {
        if (e.label != in.pen) continue;
        touches += e.type == EV_KEY && e.code == BTN_TOUCH;
        if (e.type == EV_ABS && e.code == axis && (!strokeOnly || touches == 1)) v.push_back(e.value);
    }
    return v;
}

// The key events with these codes, of the pen or else of the other devices
// (where shortcuts arrive), as code and value, in order; auto-repeats left out.
Check keyEvents(bool pen, std::set<int> codes, std::vector<std::pair<int, int>> want)
{
    return [=](const Inputs& in) -> Verdict {
        std::vector<std::pair<int, int>> got;
        for (const Event& e : in.events)
            if ((e.label == in.pen) == pen && e.type == EV_KEY && codes.count(e.code) && e.value < 2)
                got.emplace_back(e.code, e.value);
        if (got == want) return {};
        return "key codes went " + join(got, ", ") + ", expected " + join(want, ", ");
    };
}

Inputs load(const Options& options)
{
    Inputs in;
    in.pen = options.text("pen", "pen");
    in.area = area(options.text("area"));
    in.exits = options.all("exit");
    in.driverLog = slurp(options.text("driver-log"));
    for (auto [name, recording] : {std::pair{"recording", &in.recording}, {"recording-at-unplug", &in.atUnplug}})
        if (!options.text(name).empty()) *recording = parseRecording(slurp(options.text(name)));
    std::istringstream events(slurp(options.text("events")));
    for (std::string line; std::getline(events, line);) {
        std::istringstream l(line);
        std::string kind, label;
        int a = 0, b = 0, c = 0;
        l >> kind >> label;
        if (kind == "device") in.devices.insert(label);
        if (!(l >> a >> b >> c)) continue;
        if (kind == "event") in.events.push_back({label, a, b, c});
        if (kind == "absinfo") in.absinfo[label][a] = {b, c};
    }
    std::istringstream tablet(slurp(options.text("tablet")));
    for (std::string line; std::getline(tablet, line);) {
        std::istringstream l(line);
        std::string kind, rest;
        int connection = 0;
        if (std::getline(l >> kind >> connection >> std::ws, rest)) in.tablet.emplace_back(kind, connection, rest);
    }
    return in;
}

} // namespace

int main(int argc, char** argv)
{
    program = "e2e-check";
    const Inputs in = load(Options(argc, argv, "--events FILE --tablet FILE --driver-log FILE [--pen LABEL] "
                                               "[--area X,Y,W,H] [--exit NAME=STATUS ...] "
                                               "[--recording FILE [--recording-at-unplug FILE]]"));
    // What a reader of the tablet's own event node got after its mouse reports:
    // nothing while the driver runs (it holds the node), their motion once it stopped.
    const auto grabProbe = [](bool lastConnection, const std::string& phase, int motion) -> Check {
        return [=](const Inputs& in) -> Verdict {
            const int c = lastConnection ? in.connections : 1;
            const std::vector<std::string> got = in.lines("grab", c);
            const std::string want = phase + " " + str(motion);
            if (std::count(got.begin(), got.end(), want) == 1) return {};
            return "connection " + str(c) + ": " + join(got, ", ") + ", expected " + want + " (-1: no event node)";
        };
    };
    std::vector<std::pair<const char*, Check>> checks = {
        {"mode command 02 10 01 once per connection", [](const Inputs& in) -> Verdict {
             for (int c = 1; c <= in.connections; ++c)
                 if (const auto m = in.lines("mode", c); m != std::vector<std::string>{"02 10 01"})
                     return "connection " + str(c) + " got the mode commands " + join(m, ", ") + ", expected one";
             return {};
         }},
        {"pen device found and sending", [](const Inputs& in) -> Verdict {
             if (!in.devices.count(in.pen)) return "the pen device (" + in.pen + ") was never found under /dev/input";
             if (std::none_of(in.events.begin(), in.events.end(), [&](const Event& e) { return e.label == in.pen; }))
                 return "the pen device sent no event at all";
             return {};
         }},
        // BTN_TOOL_PEN is 320, BTN_TOUCH 330, BTN_RIGHT 273; KEY_LEFTCTRL 29, KEY_X 45, KEY_LEFTSHIFT 42, KEY_A 30.
        {"BTN_TOOL_PEN on entering and leaving",
         keyEvents(true, {BTN_TOOL_PEN}, {{BTN_TOOL_PEN, 1}, {BTN_TOOL_PEN, 0}, {BTN_TOOL_PEN, 1}, {BTN_TOOL_PEN, 0}})},
        {"BTN_TOUCH down and up around the stroke",
         keyEvents(true, {BTN_TOOL_PEN, BTN_TOUCH},
                   {{BTN_TOOL_PEN, 1}, {BTN_TOUCH, 1}, {BTN_TOUCH, 0}, {BTN_TOOL_PEN, 0},
                    {BTN_TOOL_PEN, 1}, {BTN_TOOL_PEN, 0}})},
        {"ABS_PRESSURE rising then falling", [](const Inputs& in) -> Verdict {
             const std::vector<int> p = axisValues(in, ABS_PRESSURE, true);
             if (p.size() < 3) return "only " + str(p.size()) + " ABS_PRESSURE values during the stroke: " + join(p);
             const size_t peak = std::max_element(p.begin(), p.end()) - p.begin();
             bool ok = p[peak] > p.front() && p[peak] > p.back();
             for (size_t i = 1; i < p.size(); ++i) ok = ok && (i <= peak ? p[i] >= p[i - 1] : p[i] <= p[i - 1]);
             return ok ? Verdict() : "ABS_PRESSURE does not rise then fall: " + join(p, " ", 64);
         }},
        {"ABS_X/ABS_Y inside the mapped area", [](const Inputs& in) -> Verdict {
             const auto abs = in.absinfo.find(in.pen);
             if (abs == in.absinfo.end() || !abs->second.count(ABS_X) || !abs->second.count(ABS_Y))
                 return "the pen device declares no ABS_X/ABS_Y";
             for (int axis : {ABS_X, ABS_Y}) {
                 int minimum = abs->second.at(axis).first, maximum = abs->second.at(axis).second;
                 if (!in.area.empty()) { // x, y, width, height (ABS_X is 0, ABS_Y 1); the mapper reaches the far edge
                     minimum = std::max(minimum, in.area[axis]);
                     maximum = std::min(maximum, in.area[axis] + in.area[axis + 2]);
                 }
                 const std::vector<int> v = axisValues(in, axis, false);
                 const auto bad = std::find_if(v.begin(), v.end(), [&](int x) { return x < minimum || x > maximum; });
                 if (std::set<int>(v.begin(), v.end()).size() < 5 || bad != v.end())
                     return "axis " + str(axis) + " went " + join(v) + ", expected 5 or more values in " +
                            str(minimum) + ".." + str(maximum) + (bad != v.end() ? ", not " + str(*bad) : "");
             }
             return {};
         }},
        // The tablet's stroke goes right and down the tablet; unrotated, so does the pointer.
        {"the stroke moves right and down", [](const Inputs& in) -> Verdict {
             for (int axis : {ABS_X, ABS_Y})
                 if (const std::vector<int> v = axisValues(in, axis, true); v.size() < 2 || v.back() <= v.front())
                     return "axis " + str(axis) + " does not grow during the stroke: " + join(v);
             return {};
         }},
        // Those of shortcuts.json, in the script's order.
        {"hardware keys 1 and 3 send their shortcuts",
         keyEvents(false, {KEY_LEFTCTRL, KEY_RIGHTCTRL, KEY_LEFTSHIFT, KEY_RIGHTSHIFT, KEY_LEFTALT, KEY_RIGHTALT,
                           KEY_LEFTMETA, KEY_RIGHTMETA, KEY_X, KEY_A},
                   {{KEY_LEFTCTRL, 1}, {KEY_X, 1}, {KEY_X, 0}, {KEY_LEFTCTRL, 0},
                    {KEY_LEFTSHIFT, 1}, {KEY_A, 1}, {KEY_A, 0}, {KEY_LEFTSHIFT, 0}})},
        {"stylus button 1 sends its shortcut",
         keyEvents(false, {BTN_LEFT, BTN_RIGHT, BTN_MIDDLE}, {{BTN_RIGHT, 1}, {BTN_RIGHT, 0}})},
        {"no key or button left held", [](const Inputs& in) -> Verdict {
             std::map<std::pair<std::string, int>, int> last;
             for (const Event& e : in.events)
                 if (e.type == EV_KEY) last[{e.label, e.code}] = e.value;
             for (const auto& [key, value] : last)
                 if (value != 0) return key.first + " key code " + str(key.second) + " is still held at the end";
             return {};
         }},
        // They alternate; the driver stops with the last connection plugged in.
        {"driver log: connected, removed, connected again", [](const Inputs& in) -> Verdict {
             const std::string connected = "tablet connected", removed = "tablet removed - cleaned up references";
             const std::string& log = in.driverLog;
             std::vector<std::string> got, want;
             for (size_t at = 0; (at = std::min(log.find(connected, at), log.find(removed, at))) != log.npos; ++at)
                 got.push_back(log.compare(at, connected.size(), connected) ? removed : connected);
             for (int c = 1; c <= in.connections; ++c) want.insert(want.end(), {removed, connected});
             want.erase(want.begin());
             if (got == want) return {};
             return "the driver log has \"" + join(got, "\", \"") + "\", expected \"" + join(want, "\", \"") + "\"";
         }},
        {"grab: the tablet's event node tells no other reader while the driver runs", grabProbe(false, "driver", 0)},
        {"grab: taken again after the replug", grabProbe(true, "driver", 0)},
        {"grab: released when the driver exits, the node tells a reader again", grabProbe(true, "no-driver", 8)},
        // A grab the driver could not take is logged as a warning naming it.
        {"driver log: no grab failure", [](const Inputs& in) -> Verdict {
             std::istringstream log(in.driverLog);
             for (std::string line; std::getline(log, line);)
                 if (line.find("[-warn-]") != std::string::npos &&
                     (line.find("exclusive") != std::string::npos || line.find("grab") != std::string::npos))
                     return "the driver log says: " + line;
             return {};
         }},
        // A sanitizer build stops at its first report, but say which one it was.
        {"no sanitizer report", [](const Inputs& in) -> Verdict {
             for (const char* marker : {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:",
                                        "WARNING: ThreadSanitizer"})
                 if (const size_t at = in.driverLog.find(marker); at != std::string::npos)
                     return "the driver log says: " + in.driverLog.substr(at, in.driverLog.find('\n', at) - at);
             return {};
         }},
        {"nothing crashed", [](const Inputs& in) -> Verdict {
             for (const std::string& e : in.exits)
                 if (const int status = std::atoi(e.c_str() + e.find('=') + 1); status != 0)
                     return e + (status > 128 ? " (signal " + str(status - 128) + ")" : "") + ", expected 0";
             return {};
         }},
    };
    const std::vector<std::pair<const char*, Check>> recordingChecks = {
        {"recording: a block per connection with the tablet's own descriptor", [](const Inputs& in) -> Verdict {
             const Recording& r = *in.recording;
             if (r.error) return r.error;
             if (static_cast<int>(r.blocks.size()) != in.connections)
                 return str(r.blocks.size()) + " header blocks, expected one per connection";
             for (int c = 1; c <= in.connections; ++c)
                 if (const auto want = in.lines("header", c); r.blocks[c - 1].first != want)
                     return "block " + str(c) + " is " + join(r.blocks[c - 1].first, " | ") + ", expected " +
                            join(want, " | ");
             return {};
         }},
        {"recording: the reports the tablet sent, in order", [](const Inputs& in) -> Verdict {
             const Recording& r = *in.recording;
             if (r.error) return r.error;
             for (int c = 1; c <= in.connections && c <= static_cast<int>(r.blocks.size()); ++c) {
                 const std::vector<std::string> want = in.lines("report", c), &got = r.blocks[c - 1].second;
                 const auto [w, g] = std::mismatch(want.begin(), want.end(), got.begin(), got.end());
                 if (w != want.end() || g != got.end())
                     return "connection " + str(c) + ": report " + str(w - want.begin() + 1) + " recorded as \"" +
                            (g == got.end() ? "nothing" : *g) + "\", sent \"" + (w == want.end() ? "nothing" : *w) +
                            "\"";
             }
             if (r.times.empty() || r.times[0] != 0) return "the first report's time is not 000000.000000";
             if (!std::is_sorted(r.times.begin(), r.times.end())) return "the reports' times go back";
             return {};
         }},
        {"recording: whole lines, the first connection's written out at its unplug", [](const Inputs& in) -> Verdict {
             const std::string& text = in.recording->text;
             if (text.empty() || text.back() != '\n') return "the recording does not end with a whole line";
             if (!in.atUnplug) return {};
             const Recording& first = *in.atUnplug;
             if (first.error || first.blocks.size() != 1 || first.blocks[0].second != in.lines("report", 1))
                 return "after the first unplug it held " + str(first.blocks.size()) + " blocks and " +
                        str(first.times.size()) + " reports, expected the first connection's whole";
             if (text.compare(0, first.text.size(), first.text) != 0)
                 return "the recording after the first unplug is not the start of the whole recording";
             return {};
         }},
    };
    if (in.recording) checks.insert(checks.end() - 2, recordingChecks.begin(), recordingChecks.end());
    int failures = 0;
    for (const auto& [name, check] : checks) {
        const Verdict v = check(in);
        std::printf("e2e-check: %s %s%s\n", v ? "FAIL" : "PASS", name, v ? (": " + *v).c_str() : "");
        failures += v.has_value();
    }
    std::printf("e2e-check: %zu passed, %d failed\n", checks.size() - failures, failures);
    return failures ? 1 : 0;
}
