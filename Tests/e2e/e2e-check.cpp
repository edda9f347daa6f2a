// Judges one run of the end-to-end scenario from what the virtual tablet, the
// event reader and the driver wrote, prints one line per assertion and a
// verdict, and exits 1 when any assertion failed.
//
//   e2e-check --events FILE --tablet FILE --driver-log FILE [--connections N]
//             [--pen LABEL] [--area X,Y,WIDTH,HEIGHT] [--exit NAME=STATUS ...]
//             [--recording FILE [--recording-at-unplug FILE]]
//
// The expectations follow the virtual tablet's script: per connection one
// hover in and out; on the first a stroke with pressure rising then falling,
// stylus button 1, hardware key 1 and key 3; and the shortcuts of
// shortcuts.json: key 1 is Ctrl+X, key 3 is Shift+A, stylus button 1 is the
// right mouse button. Devices other than the pen are where shortcut events
// may arrive. The driver stops while the last connection is still plugged in:
// until then the tablet's own event node must deliver nothing to another
// reader, afterwards it must. With --recording, the driver's recording must
// describe the tablet as it declared itself on each plug-in and hold the
// reports it sent, in order; --recording-at-unplug is a copy taken after the
// first unplug, which must already hold the first connection's block whole.
#include "e2e.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <set>
#include <tuple>

using namespace e2e;

namespace {

struct Event {
    std::string label;
    int type, code, value;
};

using Verdict = std::optional<std::string>; // the reason of a failure

struct Inputs {
    std::vector<Event> events;
    std::map<std::string, std::map<int, std::pair<int, int>>> absinfo; // label -> code -> minimum, maximum
    std::set<std::string> devices;
    std::vector<std::tuple<std::string, int, std::string>> tablet; // kind, connection, the rest of the line
    std::optional<std::string> recording, recordingAtUnplug;
    std::string driverLog;
    std::vector<std::string> exits;
    int connections = 2;
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
    // Indexes into events of the pen's events of one type and code.
    std::vector<size_t> penEvents(int type, int code) const
    {
        std::vector<size_t> out;
        for (size_t i = 0; i < events.size(); ++i)
            if (events[i].label == pen && events[i].type == type && events[i].code == code) out.push_back(i);
        return out;
    }
    std::vector<int> values(const std::vector<size_t>& at) const
    {
        std::vector<int> v;
        for (size_t i : at) v.push_back(events[i].value);
        return v;
    }
};

template <class T> std::string join(const std::vector<T>& v, const char* separator = " ", size_t limit = 24)
{
    std::ostringstream s;
    for (size_t i = 0; i < v.size() && i < limit; ++i) s << (i ? separator : "") << v[i];
    if (v.size() > limit) s << " ... (" << v.size() << " values)";
    return v.empty() ? "none" : s.str();
}

std::string str(long n) { return std::to_string(n); }

// The first BTN_TOUCH down and the next up, as event indexes.
std::optional<std::pair<size_t, size_t>> stroke(const Inputs& in)
{
    std::optional<size_t> down;
    for (size_t i : in.penEvents(EV_KEY, BTN_TOUCH)) {
        if (in.events[i].value == 1 && !down)
            down = i;
        else if (in.events[i].value == 0 && down)
            return std::make_pair(*down, i);
    }
    return std::nullopt;
}

std::vector<int> during(const Inputs& in, int code, std::pair<size_t, size_t> span)
{
    std::vector<int> v;
    for (size_t i : in.penEvents(EV_ABS, code))
        if (i > span.first && i < span.second) v.push_back(in.events[i].value);
    return v;
}

Verdict modeCommands(const Inputs& in)
{
    for (int c = 1; c <= in.connections; ++c)
        if (const auto m = in.lines("mode", c); m != std::vector<std::string>{"02 10 01"})
            return "connection " + str(c) + " got the mode commands " + join(m, ", ") + ", expected 02 10 01 once";
    return {};
}

Verdict penRecorded(const Inputs& in)
{
    if (!in.devices.count(in.pen)) return "the pen device (" + in.pen + ") was never found under /dev/input";
    if (in.penEvents(EV_SYN, SYN_REPORT).empty()) return "the pen device sent no event at all";
    return {};
}

Verdict proximity(const Inputs& in)
{
    const std::vector<int> v = in.values(in.penEvents(EV_KEY, BTN_TOOL_PEN));
    std::vector<int> want;
    for (int c = 0; c < in.connections; ++c) want.insert(want.end(), {1, 0});
    if (v != want) return "BTN_TOOL_PEN went " + join(v) + ", expected " + join(want) + " (enter and leave per connection)";
    return {};
}

Verdict touchInStroke(const Inputs& in)
{
    const std::vector<size_t> t = in.penEvents(EV_KEY, BTN_TOUCH), tool = in.penEvents(EV_KEY, BTN_TOOL_PEN);
    if (in.values(t) != std::vector<int>{1, 0}) return "BTN_TOUCH went " + join(in.values(t)) + ", expected 1 0 (one stroke)";
    if (tool.size() < 2 || !(tool[0] < t[0] && t[1] < tool[1]))
        return "the stroke's BTN_TOUCH 1 and 0 are not inside the first BTN_TOOL_PEN 1 ... 0";
    return {};
}

Verdict pressure(const Inputs& in)
{
    const auto span = stroke(in);
    if (!span) return "no stroke (BTN_TOUCH 1 then 0) to look at";
    const std::vector<int> p = during(in, ABS_PRESSURE, *span);
    if (p.size() < 3) return "only " + str(p.size()) + " ABS_PRESSURE values during the stroke: " + join(p);
    const size_t peak = std::max_element(p.begin(), p.end()) - p.begin();
    if (!(p[peak] > p.front() && p[peak] > p.back())) return "ABS_PRESSURE does not rise and fall: " + join(p, " ", 64);
    for (size_t i = 1; i < p.size(); ++i)
        if ((i <= peak && p[i] < p[i - 1]) || (i > peak && p[i] > p[i - 1]))
            return "ABS_PRESSURE is not rising then falling: " + join(p, " ", 64);
    return {};
}

Verdict position(const Inputs& in)
{
    const auto abs = in.absinfo.find(in.pen);
    if (abs == in.absinfo.end() || !abs->second.count(ABS_X) || !abs->second.count(ABS_Y))
        return "the pen device declares no ABS_X/ABS_Y";
    for (int axis : {ABS_X, ABS_Y}) {
        const std::string name = axis == ABS_X ? "ABS_X" : "ABS_Y";
        auto [minimum, maximum] = abs->second.at(axis);
        if (!in.area.empty()) { // x, y, width, height; the far edge is inside, as the mapper can reach it
            const int origin = in.area[axis == ABS_X ? 0 : 1];
            minimum = std::max(minimum, origin);
            maximum = std::min(maximum, origin + in.area[axis == ABS_X ? 2 : 3]);
        }
        const std::vector<int> v = in.values(in.penEvents(EV_ABS, axis));
        if (std::set<int>(v.begin(), v.end()).size() < 5) return "fewer than 5 distinct " + name + " values: " + join(v);
        for (int x : v)
            if (x < minimum || x > maximum)
                return name + " " + str(x) + " outside the mapped area " + str(minimum) + ".." + str(maximum);
    }
    return {};
}

// The tablet's stroke goes right and down the tablet; unrotated, so does the
// pointer.
Verdict strokeDirection(const Inputs& in)
{
    const auto span = stroke(in);
    if (!span) return "no stroke (BTN_TOUCH 1 then 0) to look at";
    for (int axis : {ABS_X, ABS_Y})
        if (const std::vector<int> v = during(in, axis, *span); v.size() < 2 || v.back() <= v.front())
            return std::string(axis == ABS_X ? "ABS_X" : "ABS_Y") + " does not grow during the stroke: " + join(v);
    return {};
}

struct Shortcut {
    const char* what;
    int code;
    std::vector<int> modifiers; // any one of them held counts
};

// Exactly one press of the shortcut's key, with its modifier and no other
// held, released afterwards; pressAt is the index of the press.
Verdict shortcutArrived(const Inputs& in, const Shortcut& s, size_t& pressAt)
{
    static const std::set<int> kModifiers = {KEY_LEFTCTRL, KEY_RIGHTCTRL, KEY_LEFTSHIFT, KEY_RIGHTSHIFT,
                                             KEY_LEFTALT,  KEY_RIGHTALT,  KEY_LEFTMETA,  KEY_RIGHTMETA};
    std::set<int> held;
    int presses = 0;
    bool released = false;
    for (size_t i = 0; i < in.events.size(); ++i) {
        const Event& e = in.events[i];
        if (e.label == in.pen || e.type != EV_KEY) continue;
        if (kModifiers.count(e.code)) e.value ? (void)held.insert(e.code) : (void)held.erase(e.code);
        if (e.code != s.code) continue;
        if (e.value == 1) {
            ++presses;
            pressAt = i;
            const auto mine = [&s](int m) { return std::count(s.modifiers.begin(), s.modifiers.end(), m) > 0; };
            if (!s.modifiers.empty() && std::none_of(held.begin(), held.end(), mine))
                return std::string(s.what) + ": key " + str(s.code) + " pressed without its modifier";
            if (!std::all_of(held.begin(), held.end(), mine))
                return std::string(s.what) + ": another modifier held as well (" + join(std::vector<int>(held.begin(), held.end())) + ")";
        } else if (e.value == 0 && presses) {
            released = true;
        }
    }
    if (presses != 1) return std::string(s.what) + ": " + str(presses) + " presses of key code " + str(s.code) + ", expected 1";
    if (!released) return std::string(s.what) + ": key code " + str(s.code) + " was never released";
    return {};
}

Verdict shortcuts(const Inputs& in)
{
    size_t previous = 0, at = 0;
    for (const Shortcut& s : {Shortcut{"hardware key 1 (Ctrl+X)", KEY_X, {KEY_LEFTCTRL, KEY_RIGHTCTRL}},
                              Shortcut{"hardware key 3 (Shift+A)", KEY_A, {KEY_LEFTSHIFT, KEY_RIGHTSHIFT}}}) {
        if (Verdict v = shortcutArrived(in, s, at)) return v;
        if (at < previous) return std::string(s.what) + " arrived before the key pressed earlier";
        previous = at;
    }
    return {};
}

Verdict stylusButton(const Inputs& in)
{
    size_t at = 0;
    return shortcutArrived(in, {"stylus button 1 (right button)", BTN_RIGHT, {}}, at);
}

Verdict nothingHeld(const Inputs& in)
{
    std::map<std::pair<std::string, int>, int> last;
    for (const Event& e : in.events)
        if (e.type == EV_KEY) last[{e.label, e.code}] = e.value;
    for (const auto& [key, value] : last)
        if (value != 0) return key.first + " key code " + str(key.second) + " is still held at the end";
    return {};
}

// Connected and removed alternate; the driver stops with the last connection plugged in.
Verdict driverLog(const Inputs& in)
{
    std::vector<std::string> got, want;
    for (size_t at = 0;; ++at) {
        const size_t c = in.driverLog.find("tablet connected", at), r = in.driverLog.find("tablet removed - cleaned up references", at);
        if ((at = std::min(c, r)) == std::string::npos) break;
        got.push_back(at == c ? "connected" : "removed");
    }
    for (int c = 1; c <= in.connections; ++c) want.insert(want.end(), {"removed", "connected"});
    want.erase(want.begin());
    if (got != want) return "the driver log has \"tablet " + join(got, "\", \"tablet ") + "\", expected \"tablet " + join(want, "\", \"tablet ") + "\"";
    return {};
}

// A grab the driver could not take is logged as a warning naming it.
Verdict noGrabFailure(const Inputs& in)
{
    std::istringstream log(in.driverLog);
    for (std::string line; std::getline(log, line);)
        if (line.find("[-warn-]") != std::string::npos &&
            (line.find("exclusive") != std::string::npos || line.find("grab") != std::string::npos))
            return "the driver log says: " + line;
    return {};
}

// What a reader of the tablet's own event node got after one mouse report, per
// connection: nothing while the driver runs, the motion once it stopped.
Verdict grabProbe(const Inputs& in, int connection, const std::string& phase, int motion)
{
    std::vector<std::string> got;
    for (const std::string& l : in.lines("grab", connection))
        if (l.rfind(phase + " ", 0) == 0) got.push_back(l.substr(phase.size() + 1));
    if (got == std::vector<std::string>{str(motion)}) return {};
    return "connection " + str(connection) + " (" + phase + "): its reader got " + join(got, ", ") + " motion events, expected " +
           str(motion) + (motion ? "" : ": the node was not grabbed") + " (-1: no event node found)";
}

// A sanitizer build stops at its first report, but say which one it was.
Verdict sanitizerReports(const Inputs& in)
{
    for (const char* marker : {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:", "WARNING: ThreadSanitizer"})
        if (const size_t at = in.driverLog.find(marker); at != std::string::npos)
            return "the driver log has a sanitizer report: " + in.driverLog.substr(at, in.driverLog.find('\n', at) - at);
    return {};
}

// The reports the tablet sent on one connection, as a recording's E: line ends them.
std::vector<std::string> sent(const Inputs& in, int connection)
{
    std::vector<std::string> out;
    for (const std::string& bytes : in.lines("report", connection)) out.push_back(str((bytes.size() + 1) / 3) + " " + bytes);
    return out;
}

struct RecordedBlock {
    std::vector<std::string> header;  // R:, N:, P:, I: lines
    std::vector<std::string> reports; // the "<length> <bytes>" of each E: line
};

// The recording's blocks, one per R: line, and its reports' times; the reason when a line does not belong.
Verdict blocksOf(const std::string& text, std::vector<RecordedBlock>& blocks, std::vector<long long>& times)
{
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const std::string tag = line.substr(0, 3);
        if (line.empty() || line[0] == '#') continue;
        if (tag == "R: ") blocks.emplace_back();
        if (blocks.empty()) return "line before the first R: line: \"" + line + "\"";
        if (tag == "R: " || tag == "N: " || tag == "P: " || tag == "I: ") {
            if (!blocks.back().reports.empty()) return "header line after the block's first report: \"" + line + "\"";
            blocks.back().header.push_back(line);
        } else if (unsigned long long seconds = 0, micros = 0; tag == "E: ") {
            int used = 0;
            if (std::sscanf(line.c_str(), "E: %llu.%6llu %n", &seconds, &micros, &used) != 2 || line[9] != '.')
                return "bad report line \"" + line + "\"";
            times.push_back(static_cast<long long>(seconds * 1000000 + micros));
            blocks.back().reports.push_back(line.substr(static_cast<size_t>(used)));
        } else {
            return "unexpected line \"" + line + "\"";
        }
    }
    return {};
}

Verdict recordingHeaders(const Inputs& in)
{
    std::vector<RecordedBlock> blocks;
    std::vector<long long> times;
    if (Verdict v = blocksOf(*in.recording, blocks, times)) return v;
    if (static_cast<int>(blocks.size()) != in.connections)
        return str(blocks.size()) + " header blocks, expected one per connection (" + str(in.connections) + ")";
    for (int c = 1; c <= in.connections; ++c) {
        const auto plug = in.lines("plug", c), descriptor = in.lines("descriptor", c);
        if (plug.size() != 1 || descriptor.size() != 1) return "the virtual tablet wrote no plug-in of connection " + str(c);
        std::istringstream p(plug[0]);
        std::string bus, vendor, product, phys, name;
        p >> bus >> vendor >> product >> phys;
        std::getline(p >> std::ws, name);
        const std::vector<std::string> want = {"R: " + str((descriptor[0].size() + 1) / 3) + " " + descriptor[0],
                                               "N: " + name, "P: " + phys, "I: " + bus + " " + vendor + " " + product};
        if (blocks[c - 1].header != want)
            return "block " + str(c) + " is " + join(blocks[c - 1].header, " | ") + ", expected " + join(want, " | ");
    }
    return {};
}

Verdict recordingReports(const Inputs& in)
{
    std::vector<RecordedBlock> blocks;
    std::vector<long long> times;
    if (Verdict v = blocksOf(*in.recording, blocks, times)) return v;
    for (int c = 1; c <= in.connections && c <= static_cast<int>(blocks.size()); ++c) {
        const std::vector<std::string> want = sent(in, c), &got = blocks[c - 1].reports;
        for (size_t i = 0; i < std::max(want.size(), got.size()); ++i)
            if (i >= want.size() || i >= got.size() || want[i] != got[i])
                return "connection " + str(c) + ": report " + str(i + 1) + " recorded as \"" + (i < got.size() ? got[i] : "nothing") +
                       "\", sent \"" + (i < want.size() ? want[i] : "nothing") + "\" (" + str(got.size()) + " recorded, " +
                       str(want.size()) + " sent)";
    }
    if (times.empty() || times[0] != 0) return "the first report's time is not 000000.000000";
    for (size_t i = 1; i < times.size(); ++i)
        if (times[i] < times[i - 1]) return "report " + str(i + 1) + "'s time goes back";
    return {};
}

Verdict recordingComplete(const Inputs& in)
{
    if (in.recording->empty() || in.recording->back() != '\n') return "the recording does not end with a whole line";
    if (!in.recordingAtUnplug) return {};
    std::vector<RecordedBlock> blocks;
    std::vector<long long> times;
    if (Verdict v = blocksOf(*in.recordingAtUnplug, blocks, times)) return "after the first unplug: " + *v;
    if (blocks.size() != 1 || blocks[0].reports != sent(in, 1))
        return "after the first unplug the recording held " + str(blocks.size()) + " blocks and " + str(times.size()) +
               " reports, expected the first connection's " + str(sent(in, 1).size()) + ": it was not written out at unplug";
    if (in.recording->compare(0, in.recordingAtUnplug->size(), *in.recordingAtUnplug) != 0)
        return "the recording after the first unplug is not the start of the whole recording";
    return {};
}

Verdict exits(const Inputs& in)
{
    for (const std::string& e : in.exits)
        if (const int status = std::atoi(e.c_str() + e.find('=') + 1); status != 0)
            return e.substr(0, e.find('=')) + " ended with status " + str(status) + (status > 128 ? " (signal " + str(status - 128) + ")" : "");
    return {};
}

Inputs load(const Options& options)
{
    Inputs in;
    in.connections = static_cast<int>(options.number("connections", 2));
    in.pen = options.text("pen", "pen");
    in.area = area(options.text("area"));
    in.exits = options.all("exit");
    in.driverLog = slurp(options.text("driver-log"));
    if (!options.text("recording").empty()) in.recording = slurp(options.text("recording"));
    if (!options.text("recording-at-unplug").empty()) in.recordingAtUnplug = slurp(options.text("recording-at-unplug"));
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
        if (l >> kind >> connection && std::getline(l >> std::ws, rest)) in.tablet.emplace_back(kind, connection, rest);
    }
    return in;
}

} // namespace

int main(int argc, char** argv)
{
    program = "e2e-check";
    const Inputs in = load(Options(argc, argv, "--events FILE --tablet FILE --driver-log FILE [--connections N] [--pen LABEL] "
                                               "[--area X,Y,W,H] [--exit NAME=STATUS ...] [--recording FILE [--recording-at-unplug FILE]]"));
    using Check = std::pair<const char*, std::function<Verdict(const Inputs&)>>;
    std::vector<Check> checks = {
        {"mode command 02 10 01 once per connection", modeCommands},
        {"pen device found and sending", penRecorded},
        {"BTN_TOOL_PEN on entering and leaving", proximity},
        {"BTN_TOUCH down and up around the stroke", touchInStroke},
        {"ABS_PRESSURE rising then falling", pressure},
        {"ABS_X/ABS_Y inside the mapped area", position},
        {"the stroke moves right and down", strokeDirection},
        {"hardware keys 1 and 3 send their shortcuts", shortcuts},
        {"stylus button 1 sends its shortcut", stylusButton},
        {"no key or button left held", nothingHeld},
        {"driver log: connected, removed, connected again", driverLog},
        {"grab: the tablet's event node tells no other reader while the driver has it",
         [](const Inputs& in) { return grabProbe(in, 1, "driver", 0); }},
        {"grab: taken again after the replug", [](const Inputs& in) { return grabProbe(in, in.connections, "driver", 0); }},
        {"grab: released when the driver exits, the node tells a reader again",
         [](const Inputs& in) { return grabProbe(in, in.connections, "no-driver", 2); }},
        {"driver log: no grab failure", noGrabFailure},
        {"no sanitizer report", sanitizerReports},
        {"nothing crashed", exits},
    };
    if (in.recording)
        checks.insert(checks.end() - 2, {{"recording: a block per connection with the tablet's own descriptor", recordingHeaders},
                                         {"recording: the reports the tablet sent, in order", recordingReports},
                                         {"recording: whole lines, the first connection's written out at its unplug", recordingComplete}});
    int failures = 0;
    for (const auto& [name, check] : checks) {
        const Verdict v = check(in);
        std::printf("e2e-check: %s %s%s\n", v ? "FAIL" : "PASS", name, v ? (": " + *v).c_str() : "");
        failures += v.has_value();
    }
    std::printf("e2e-check: %zu passed, %d failed\n", checks.size() - failures, failures);
    return failures ? 1 : 0;
}
