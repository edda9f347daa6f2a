#pragma once
// Reports built from their fields, and a replay session writing into a string.
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

// A session over its own settings; out collects its lines.
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
    void feed(const Report& r) { session->feed(r); }
    void feedTimes(const Report& r, int n)
    {
        for (int i = 0; i < n; ++i) feed(r);
    }
    // One report processed in full: three positions fill the batch and the
    // fourth report goes all the way.
    void processed(const Report& r) { feedTimes(r, 4); }

    std::vector<std::string> linesStartingWith(const std::string& prefix) const
    {
        std::vector<std::string> found;
        std::istringstream in(out.str());
        for (std::string line; std::getline(in, line);)
            if (line.rfind(prefix, 0) == 0) found.push_back(line);
        return found;
    }
    std::vector<HIDEvent> eventsOfType(int32_t type) const
    {
        std::vector<HIDEvent> found;
        for (const auto& e : session->events().events())
            if (e.type == type) found.push_back(e);
        return found;
    }
    int indexOfType(int32_t type) const
    {
        const auto all = session->events().events();
        for (size_t i = 0; i < all.size(); ++i)
            if (all[i].type == type) return static_cast<int>(i);
        return -1;
    }

    std::ostringstream out;
    std::unique_ptr<ReplaySession> session;
};
