#pragma once
// A replay session writing into a string, and what it wrote read back as a
// short trace of words.
#include "BTDriverManager.h"
#include "RecordingHIDEventSystem.h"
#include "ReplaySession.h"
#include "TabletReports.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

using Report = ReportReader::Report;

class ReplayFixture : public ::testing::Test {
protected:
    void start(ReplayOptions options = {})
    {
        session.reset();
        out.str("");
        std::string error;
        session = ReplaySession::create(options, out, error);
        ASSERT_TRUE(session) << error;
    }
    void SetUp() override { start(); }

    BTDriverManager& driver() { return session->driver(); }
    std::vector<HIDEvent> events() const { return session->events().events(); }
    void feed(const Report& r, int times = 1)
    {
        for (int i = 0; i < times; ++i) session->feed(r);
    }
    // One report processed in full: three positions fill the batch and the
    // fourth report goes all the way.
    void processed(const Report& r) { feed(r, 4); }

    std::vector<std::string> linesStartingWith(const std::string& prefix) const
    {
        std::vector<std::string> found;
        std::istringstream in(out.str());
        for (std::string line; std::getline(in, line);)
            if (line.rfind(prefix, 0) == 0) found.push_back(line);
        return found;
    }

    // The output since the last call, a word a line: "in(x,y)" and "out" for
    // proximity; "move", "drag", "down", "up" for tablet points, with
    // "@pressure" when it is not 0; "K+" / "K-" for shortcut key K dispatched
    // down / up. An event's word repeated in a row is written once.
    std::string trace()
    {
        const auto field = [](const std::string& line, const std::string& name) {
            const size_t at = line.find(" " + name + "=");
            return at == std::string::npos ? -1 : std::stoi(line.substr(at + name.size() + 2));
        };
        const char* const kinds[] = {"", "down", "up", "", "", "move", "drag"};
        std::istringstream in(out.str());
        out.str("");
        std::string words, last, word;
        for (std::string line; std::getline(in, line); last = word.empty() ? last : word) {
            const int type = field(line, "type");
            const int pressure = field(line, type == 1 || type == 2 ? "tabletPressure" : "pressure");
            word.clear();
            if (line.starts_with("dispatch "))
                word = std::to_string(field(line, "key")) + (field(line, "down") ? "+" : "-");
            else if (type == 24 && field(line, "enter"))
                word = "in(" + std::to_string(field(line, "x")) + "," + std::to_string(field(line, "y")) + ")";
            else if (type == 24)
                word = "out";
            else if (type > 0 && type <= 6 && *kinds[type] && field(line, "subtype") == 1)
                word = kinds[type] + (pressure > 0 ? "@" + std::to_string(pressure) : "");
            if (!word.empty() && (word != last || type < 0)) words += (words.empty() ? "" : " ") + word;
        }
        return words;
    }

    std::ostringstream out;
    std::unique_ptr<ReplaySession> session;
};
