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
// may arrive. With --recording, the driver's recording must describe the
// tablet as it declared itself on each plug-in and hold the reports it sent,
// in order; --recording-at-unplug is a copy taken after the last unplug,
// before the driver stopped, which must already be the whole recording.
#include <linux/input-event-codes.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Event {
    std::string label;
    int type;
    int code;
    int value;
};

struct Range {
    int minimum;
    int maximum;
};

struct Inputs {
    std::vector<Event> events;
    std::map<std::string, std::map<int, Range>> absinfo; // label -> code -> range
    std::set<std::string> devices;
    std::vector<std::pair<int, std::string>> modes; // connection, bytes
    std::map<int, std::string> plugs;               // connection -> "bus vendor product phys name"
    std::map<int, std::string> descriptors;         // connection -> bytes
    std::vector<std::pair<int, std::string>> reports; // connection, bytes, in the order sent
    std::optional<std::string> recording;
    std::optional<std::string> recordingAtUnplug;
    std::string driverLog;
    std::vector<std::pair<std::string, int>> exits;
    int connections = 2;
    std::string pen = "pen";
    std::optional<std::vector<int>> area;
};

using Verdict = std::optional<std::string>; // the reason of a failure

std::string slurp(const std::string& path)
{
    std::ifstream in(path);
    if (!in)
        return {};
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string join(const std::vector<int>& v, size_t limit = 24)
{
    std::string s;
    for (size_t i = 0; i < v.size() && i < limit; ++i)
        s += (i ? " " : "") + std::to_string(v[i]);
    if (v.size() > limit)
        s += " ... (" + std::to_string(v.size()) + " values)";
    return s.empty() ? "none" : s;
}

// Indexes into inputs.events of the pen's events of one type and code.
std::vector<size_t> penEvents(const Inputs& in, int type, int code)
{
    std::vector<size_t> out;
    for (size_t i = 0; i < in.events.size(); ++i)
        if (in.events[i].label == in.pen && in.events[i].type == type && in.events[i].code == code)
            out.push_back(i);
    return out;
}

std::vector<int> values(const Inputs& in, const std::vector<size_t>& idx)
{
    std::vector<int> v;
    for (size_t i : idx)
        v.push_back(in.events[i].value);
    return v;
}

// The first BTN_TOUCH down and the next up, as event indexes.
std::optional<std::pair<size_t, size_t>> stroke(const Inputs& in)
{
    std::optional<size_t> down;
    for (size_t i : penEvents(in, EV_KEY, BTN_TOUCH)) {
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
    for (size_t i : penEvents(in, EV_ABS, code))
        if (i > span.first && i < span.second)
            v.push_back(in.events[i].value);
    return v;
}

Verdict modeCommands(const Inputs& in)
{
    for (int c = 1; c <= in.connections; ++c) {
        int count = 0;
        for (const auto& [conn, bytes] : in.modes) {
            if (conn != c)
                continue;
            ++count;
            if (bytes != "02 10 01")
                return "connection " + std::to_string(c) + " got mode command " + bytes + ", expected 02 10 01";
        }
        if (count != 1)
            return "connection " + std::to_string(c) + " got " + std::to_string(count) + " mode commands, expected 1";
    }
    return std::nullopt;
}

Verdict penRecorded(const Inputs& in)
{
    if (!in.devices.count(in.pen))
        return "the pen device (" + in.pen + ") was never found under /dev/input";
    if (penEvents(in, EV_SYN, SYN_REPORT).empty())
        return "the pen device sent no event at all";
    return std::nullopt;
}

Verdict proximity(const Inputs& in)
{
    const std::vector<int> v = values(in, penEvents(in, EV_KEY, BTN_TOOL_PEN));
    std::vector<int> want;
    for (int c = 0; c < in.connections; ++c) {
        want.push_back(1);
        want.push_back(0);
    }
    if (v != want)
        return "BTN_TOOL_PEN went " + join(v) + ", expected " + join(want) + " (enter and leave per connection)";
    return std::nullopt;
}

Verdict touch(const Inputs& in)
{
    const std::vector<size_t> t = penEvents(in, EV_KEY, BTN_TOUCH);
    if (values(in, t) != std::vector<int> { 1, 0 })
        return "BTN_TOUCH went " + join(values(in, t)) + ", expected 1 0 (one stroke)";
    const std::vector<size_t> tool = penEvents(in, EV_KEY, BTN_TOOL_PEN);
    if (tool.size() < 2 || !(tool[0] < t[0] && t[1] < tool[1]))
        return "the stroke's BTN_TOUCH 1 and 0 are not inside the first BTN_TOOL_PEN 1 ... 0";
    return std::nullopt;
}

Verdict pressure(const Inputs& in)
{
    const auto span = stroke(in);
    if (!span)
        return "no stroke (BTN_TOUCH 1 then 0) to look at";
    const std::vector<int> p = during(in, ABS_PRESSURE, *span);
    if (p.size() < 3)
        return "only " + std::to_string(p.size()) + " ABS_PRESSURE values during the stroke: " + join(p);
    size_t peak = 0;
    for (size_t i = 1; i < p.size(); ++i)
        if (p[i] > p[peak])
            peak = i;
    if (!(p[peak] > p.front() && p[peak] > p.back()))
        return "ABS_PRESSURE does not rise and fall: " + join(p, 64);
    for (size_t i = 1; i < p.size(); ++i)
        if ((i <= peak && p[i] < p[i - 1]) || (i > peak && p[i] > p[i - 1]))
            return "ABS_PRESSURE is not rising then falling: " + join(p, 64);
    return std::nullopt;
}

Verdict position(const Inputs& in)
{
    const auto abs = in.absinfo.find(in.pen);
    if (abs == in.absinfo.end() || !abs->second.count(ABS_X) || !abs->second.count(ABS_Y))
        return "the pen device declares no ABS_X/ABS_Y";
    for (int axis : { ABS_X, ABS_Y }) {
        const char* name = axis == ABS_X ? "ABS_X" : "ABS_Y";
        Range r = abs->second.at(axis);
        if (in.area) { // x, y, width, height; the far edge is inside, as the mapper can reach it
            const int origin = (*in.area)[axis == ABS_X ? 0 : 1];
            r.minimum = std::max(r.minimum, origin);
            r.maximum = std::min(r.maximum, origin + (*in.area)[axis == ABS_X ? 2 : 3]);
        }
        const std::vector<int> v = values(in, penEvents(in, EV_ABS, axis));
        if (std::set<int>(v.begin(), v.end()).size() < 5)
            return std::string("fewer than 5 distinct ") + name + " values: " + join(v);
        for (int x : v)
            if (x < r.minimum || x > r.maximum)
                return std::string(name) + " " + std::to_string(x) + " outside the mapped area " +
                       std::to_string(r.minimum) + ".." + std::to_string(r.maximum);
    }
    return std::nullopt;
}

// The tablet's stroke goes right and down the tablet; unrotated, so does the
// pointer.
Verdict strokeDirection(const Inputs& in)
{
    const auto span = stroke(in);
    if (!span)
        return "no stroke (BTN_TOUCH 1 then 0) to look at";
    for (int axis : { ABS_X, ABS_Y }) {
        const std::vector<int> v = during(in, axis, *span);
        if (v.size() < 2 || v.back() <= v.front())
            return std::string(axis == ABS_X ? "ABS_X" : "ABS_Y") + " does not grow during the stroke: " + join(v);
    }
    return std::nullopt;
}

bool isModifier(int code)
{
    return code == KEY_LEFTCTRL || code == KEY_RIGHTCTRL || code == KEY_LEFTSHIFT || code == KEY_RIGHTSHIFT ||
           code == KEY_LEFTALT || code == KEY_RIGHTALT || code == KEY_LEFTMETA || code == KEY_RIGHTMETA;
}

struct Shortcut {
    const char* what;
    int code;
    std::vector<int> modifiers; // any one of them held counts
};

// Exactly one press of the shortcut's key with its modifier held, released
// afterwards; returns the index of the press.
Verdict shortcutArrived(const Inputs& in, const Shortcut& s, size_t& pressAt)
{
    std::map<int, bool> held;
    int presses = 0;
    std::optional<size_t> press;
    bool released = false;
    for (size_t i = 0; i < in.events.size(); ++i) {
        const Event& e = in.events[i];
        if (e.label == in.pen || e.type != EV_KEY)
            continue;
        if (isModifier(e.code))
            held[e.code] = e.value != 0;
        if (e.code != s.code)
            continue;
        if (e.value == 1) {
            ++presses;
            press = i;
            bool modifierHeld = s.modifiers.empty();
            for (int m : s.modifiers)
                modifierHeld = modifierHeld || held[m];
            if (!modifierHeld)
                return std::string(s.what) + ": key " + std::to_string(s.code) + " pressed without its modifier";
            for (const auto& [code, down] : held)
                if (down && std::find(s.modifiers.begin(), s.modifiers.end(), code) == s.modifiers.end())
                    return std::string(s.what) + ": modifier " + std::to_string(code) + " held as well";
        } else if (e.value == 0 && press) {
            released = true;
        }
    }
    if (presses != 1)
        return std::string(s.what) + ": " + std::to_string(presses) + " presses of key code " +
               std::to_string(s.code) + ", expected 1";
    if (!released)
        return std::string(s.what) + ": key code " + std::to_string(s.code) + " was never released";
    pressAt = *press;
    return std::nullopt;
}

Verdict shortcuts(const Inputs& in)
{
    const Shortcut keys[] = {
        { "hardware key 1 (Ctrl+X)", KEY_X, { KEY_LEFTCTRL, KEY_RIGHTCTRL } },
        { "hardware key 3 (Shift+A)", KEY_A, { KEY_LEFTSHIFT, KEY_RIGHTSHIFT } },
    };
    size_t previous = 0;
    for (const Shortcut& s : keys) {
        size_t at = 0;
        if (Verdict v = shortcutArrived(in, s, at))
            return v;
        if (at < previous)
            return std::string(s.what) + " arrived before the key pressed earlier";
        previous = at;
    }
    return std::nullopt;
}

Verdict stylusButton(const Inputs& in)
{
    size_t at = 0;
    return shortcutArrived(in, { "stylus button 1 (right button)", BTN_RIGHT, {} }, at);
}

Verdict nothingHeld(const Inputs& in)
{
    std::map<std::pair<std::string, int>, int> last;
    for (const Event& e : in.events)
        if (e.type == EV_KEY)
            last[{ e.label, e.code }] = e.value;
    for (const auto& [key, value] : last)
        if (value != 0)
            return key.first + " key code " + std::to_string(key.second) + " is still held at the end";
    return std::nullopt;
}

int countOf(const std::string& text, const std::string& what)
{
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
        ++n;
    return n;
}

Verdict driverLog(const Inputs& in)
{
    const std::string connected = "tablet connected";
    const std::string removed = "tablet removed - cleaned up references";
    const int c = countOf(in.driverLog, connected);
    const int r = countOf(in.driverLog, removed);
    if (c != in.connections || r != in.connections)
        return "the driver log has \"" + connected + "\" " + std::to_string(c) + " times and \"" + removed + "\" " +
               std::to_string(r) + " times, expected " + std::to_string(in.connections) + " each";
    // They alternate: connected, removed, connected, removed.
    size_t at = 0;
    for (int i = 0; i < in.connections; ++i) {
        const size_t cAt = in.driverLog.find(connected, at);
        const size_t rAt = in.driverLog.find(removed, at);
        if (cAt == std::string::npos || rAt == std::string::npos || rAt < cAt)
            return "the driver log does not show \"" + connected + "\" before each \"" + removed + "\"";
        at = rAt + removed.size();
    }
    return std::nullopt;
}

// A sanitizer build stops at its first report, but say which one it was.
Verdict sanitizerReports(const Inputs& in)
{
    for (const char* marker : { "ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:",
                                "WARNING: ThreadSanitizer" }) {
        const size_t at = in.driverLog.find(marker);
        if (at != std::string::npos)
            return "the driver log has a sanitizer report: " + in.driverLog.substr(at, in.driverLog.find('\n', at) - at);
    }
    return std::nullopt;
}

size_t byteCount(const std::string& hexBytes)
{
    return hexBytes.empty() ? 0 : (hexBytes.size() + 1) / 3;
}

struct RecordedBlock {
    std::vector<std::string> header;  // R:, N:, P:, I: lines
    std::vector<std::string> reports; // the "<length> <bytes>" of each E: line
};

// The recording's blocks, one per R: line; the reason when a line does not belong.
Verdict blocksOf(const std::string& text, std::vector<RecordedBlock>& blocks, std::vector<long long>& times)
{
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const std::string tag = line.substr(0, 3);
        if (line.empty() || line[0] == '#')
            continue;
        if (tag == "R: ")
            blocks.emplace_back();
        if (blocks.empty())
            return "line before the first R: line: \"" + line + "\"";
        if (tag == "R: " || tag == "N: " || tag == "P: " || tag == "I: ") {
            if (!blocks.back().reports.empty())
                return "header line after the block's first report: \"" + line + "\"";
            blocks.back().header.push_back(line);
        } else if (tag == "E: ") {
            unsigned long long seconds = 0, micros = 0;
            int used = 0;
            if (std::sscanf(line.c_str(), "E: %llu.%6llu %n", &seconds, &micros, &used) != 2 || line[9] != '.')
                return "bad report line \"" + line + "\"";
            times.push_back(static_cast<long long>(seconds * 1000000 + micros));
            blocks.back().reports.push_back(line.substr(static_cast<size_t>(used)));
        } else {
            return "unexpected line \"" + line + "\"";
        }
    }
    return std::nullopt;
}

Verdict recordingHeaders(const Inputs& in)
{
    std::vector<RecordedBlock> blocks;
    std::vector<long long> times;
    if (Verdict v = blocksOf(*in.recording, blocks, times))
        return v;
    if (static_cast<int>(blocks.size()) != in.connections)
        return std::to_string(blocks.size()) + " header blocks, expected one per connection (" +
               std::to_string(in.connections) + ")";
    for (int c = 1; c <= in.connections; ++c) {
        const auto plug = in.plugs.find(c);
        const auto descriptor = in.descriptors.find(c);
        if (plug == in.plugs.end() || descriptor == in.descriptors.end())
            return "the virtual tablet wrote no plug-in of connection " + std::to_string(c);
        std::istringstream p(plug->second);
        std::string bus, vendor, product, phys, name;
        p >> bus >> vendor >> product >> phys;
        std::getline(p >> std::ws, name);
        const std::vector<std::string> want = {
            "R: " + std::to_string(byteCount(descriptor->second)) + " " + descriptor->second, "N: " + name,
            "P: " + phys, "I: " + bus + " " + vendor + " " + product};
        if (blocks[c - 1].header != want) {
            std::string got;
            for (const std::string& l : blocks[c - 1].header)
                got += (got.empty() ? "" : " | ") + l;
            std::string expected;
            for (const std::string& l : want)
                expected += (expected.empty() ? "" : " | ") + l;
            return "block " + std::to_string(c) + " is " + got + ", expected " + expected;
        }
    }
    return std::nullopt;
}

Verdict recordingReports(const Inputs& in)
{
    std::vector<RecordedBlock> blocks;
    std::vector<long long> times;
    if (Verdict v = blocksOf(*in.recording, blocks, times))
        return v;
    for (int c = 1; c <= in.connections && c <= static_cast<int>(blocks.size()); ++c) {
        std::vector<std::string> sent;
        for (const auto& [conn, bytes] : in.reports)
            if (conn == c)
                sent.push_back(std::to_string(byteCount(bytes)) + " " + bytes);
        const std::vector<std::string>& got = blocks[c - 1].reports;
        for (size_t i = 0; i < std::max(sent.size(), got.size()); ++i)
            if (i >= sent.size() || i >= got.size() || sent[i] != got[i])
                return "connection " + std::to_string(c) + ": report " + std::to_string(i + 1) + " recorded as \"" +
                       (i < got.size() ? got[i] : "nothing") + "\", sent \"" + (i < sent.size() ? sent[i] : "nothing") +
                       "\" (" + std::to_string(got.size()) + " recorded, " + std::to_string(sent.size()) + " sent)";
    }
    if (times.empty() || times[0] != 0)
        return "the first report's time is not 000000.000000";
    for (size_t i = 1; i < times.size(); ++i)
        if (times[i] < times[i - 1])
            return "report " + std::to_string(i + 1) + "'s time goes back";
    return std::nullopt;
}

Verdict recordingComplete(const Inputs& in)
{
    if (in.recording->empty() || in.recording->back() != '\n')
        return "the recording does not end with a whole line";
    if (in.recordingAtUnplug && *in.recordingAtUnplug != *in.recording)
        return "the recording grew after the last unplug (" + std::to_string(in.recordingAtUnplug->size()) +
               " bytes then, " + std::to_string(in.recording->size()) + " at the end): it was not written out at unplug";
    return std::nullopt;
}

Verdict exits(const Inputs& in)
{
    for (const auto& [name, status] : in.exits)
        if (status != 0)
            return name + " ended with status " + std::to_string(status) +
                   (status > 128 ? " (signal " + std::to_string(status - 128) + ")" : "");
    return std::nullopt;
}

Inputs load(int argc, char** argv)
{
    Inputs in;
    std::string eventsPath, tabletPath, logPath;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i], v = argv[i + 1];
        if (a == "--events")
            eventsPath = v;
        else if (a == "--tablet")
            tabletPath = v;
        else if (a == "--driver-log")
            logPath = v;
        else if (a == "--connections")
            in.connections = std::atoi(v.c_str());
        else if (a == "--pen")
            in.pen = v;
        else if (a == "--area") {
            std::vector<int> r(4);
            if (std::sscanf(v.c_str(), "%d,%d,%d,%d", &r[0], &r[1], &r[2], &r[3]) == 4)
                in.area = r;
        } else if (a == "--recording") {
            in.recording = slurp(v);
        } else if (a == "--recording-at-unplug") {
            in.recordingAtUnplug = slurp(v);
        } else if (a == "--exit") {
            const auto eq = v.find('=');
            in.exits.emplace_back(v.substr(0, eq), eq == std::string::npos ? -1 : std::atoi(v.c_str() + eq + 1));
        }
    }
    std::istringstream events(slurp(eventsPath));
    for (std::string line; std::getline(events, line);) {
        std::istringstream l(line);
        std::string kind, label;
        l >> kind >> label;
        if (kind == "event") {
            Event e { label, 0, 0, 0 };
            if (l >> e.type >> e.code >> e.value)
                in.events.push_back(e);
        } else if (kind == "absinfo") {
            int code = 0;
            Range r {};
            if (l >> code >> r.minimum >> r.maximum)
                in.absinfo[label][code] = r;
        } else if (kind == "device") {
            in.devices.insert(label);
        }
    }
    std::istringstream tablet(slurp(tabletPath));
    for (std::string line; std::getline(tablet, line);) {
        const size_t kindEnd = line.find(' ');
        const size_t sp = kindEnd == std::string::npos ? kindEnd : line.find(' ', kindEnd + 1);
        if (sp == std::string::npos)
            continue;
        const std::string kind = line.substr(0, kindEnd), rest = line.substr(sp + 1);
        const int connection = std::atoi(line.c_str() + kindEnd + 1);
        if (kind == "mode")
            in.modes.emplace_back(connection, rest);
        else if (kind == "plug")
            in.plugs[connection] = rest;
        else if (kind == "descriptor")
            in.descriptors[connection] = rest;
        else if (kind == "report")
            in.reports.emplace_back(connection, rest);
    }
    in.driverLog = slurp(logPath);
    return in;
}

} // namespace

int main(int argc, char** argv)
{
    const Inputs in = load(argc, argv);
    std::vector<std::pair<const char*, std::function<Verdict(const Inputs&)>>> checks = {
        { "mode command 02 10 01 once per connection", modeCommands },
        { "pen device found and sending", penRecorded },
        { "BTN_TOOL_PEN on entering and leaving", proximity },
        { "BTN_TOUCH down and up around the stroke", touch },
        { "ABS_PRESSURE rising then falling", pressure },
        { "ABS_X/ABS_Y inside the mapped area", position },
        { "the stroke moves right and down", strokeDirection },
        { "hardware keys 1 and 3 send their shortcuts", shortcuts },
        { "stylus button 1 sends its shortcut", stylusButton },
        { "no key or button left held", nothingHeld },
        { "driver log: connected, removed, connected again", driverLog },
        { "no sanitizer report", sanitizerReports },
        { "nothing crashed", exits },
    };
    if (in.recording) {
        checks.insert(checks.end() - 2, { "recording: a block per connection with the tablet's own descriptor",
                                          recordingHeaders });
        checks.insert(checks.end() - 2, { "recording: the reports the tablet sent, in order", recordingReports });
        checks.insert(checks.end() - 2, { "recording: whole lines, written out at unplug", recordingComplete });
    }
    int failed = 0, passed = 0;
    for (const auto& [name, check] : checks) {
        if (const Verdict v = check(in)) {
            std::printf("e2e-check: FAIL %s: %s\n", name, v->c_str());
            ++failed;
        } else {
            std::printf("e2e-check: PASS %s\n", name);
            ++passed;
        }
    }
    std::printf("e2e-check: %d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
}
