#pragma once
// A replay session writing into a string, and what it wrote read back as a
// short trace of words.
#include "BTDriverManager.h"
#include "RecordingHIDEventSystem.h"
#include "ReplaySession.h"
#include "TabletReports.h"

#include <gtest/gtest.h>

#include <fstream>
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
    inline static const ReplayOptions kShowPressure = [] { ReplayOptions o; o.showPressure = true; return o; }();

    BTDriverManager& driver() { return session->driver(); }
    std::vector<HIDEvent> events() const { return session->events().events(); }
    void feed(const Report& r, int times = 1) { while (times-- > 0) session->feed(r); }
    // A file of reports through a fresh session.
    void replay(const std::string& path, const ReplayOptions& options = {})
    {
        start(options);
        std::ifstream in(path);
        std::string error;
        EXPECT_TRUE(in && session->run(in, error)) << path << ": " << error;
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
        const char* const kinds[] = {"", "down", "up", "", "", "move", "drag"};
        std::istringstream in(out.str());
        out.str("");
        std::string words, last;
        for (std::string line; std::getline(in, line);) {
            const auto num = [&line](const std::string& name) {
                const size_t at = line.find(" " + name + "=");
                return at == std::string::npos ? -1 : std::stoi(line.substr(at + name.size() + 2));
            };
            const int type = num("type"), pressure = num(type == 1 || type == 2 ? "tabletPressure" : "pressure");
            std::string word;
            if (line.starts_with("dispatch "))
                word = std::to_string(num("key")) + (num("down") ? "+" : "-");
            else if (type == 24 && num("enter"))
                word.append("in(").append(std::to_string(num("x"))).append(",").append(std::to_string(num("y"))) += ")";
            else if (type == 24)
                word = "out";
            else if (type > 0 && type <= 6 && *kinds[type] && num("subtype") == 1)
                word = kinds[type] + (pressure > 0 ? "@" + std::to_string(pressure) : "");
            if (word.empty() || (word == last && type > 0)) continue;
            words += (words.empty() ? "" : " ") + (last = word);
        }
        return words;
    }

    std::ostringstream out;
    std::unique_ptr<ReplaySession> session;
};
