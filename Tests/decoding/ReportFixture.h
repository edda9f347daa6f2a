#pragma once
// Reports built from their fields, and a replay session writing into a string.
#include "BTDriverManager.h"
#include "RecordingHIDEventSystem.h"
#include "ReplaySession.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

using Report = ReportReader::Report;

inline constexpr uint8_t kOut = 0x00;
inline constexpr uint8_t kHover = 0x20; // in range, nothing pressed
inline constexpr uint8_t kTip = 0xC1;
inline constexpr uint8_t kButton1 = 0xC2;
inline constexpr uint8_t kButton2 = 0xC4;

// A stylus report. The low bit of x travels in bit 7 of the status byte, so
// it follows the status; y is whole.
inline Report stylusReport(uint8_t status, int x, int y, int rawPressure = 0)
{
    return {2,
            status,
            static_cast<uint8_t>(x >> 1),
            static_cast<uint8_t>(((x >> 9) & 0x7F) | ((y & 1) << 7)),
            static_cast<uint8_t>(y >> 1),
            static_cast<uint8_t>((y >> 9) & 0x7F),
            static_cast<uint8_t>(rawPressure),
            static_cast<uint8_t>(rawPressure >> 8)};
}

inline Report keyReport(int key) { return {2, 0xE0, 0, 0, static_cast<uint8_t>(key), static_cast<uint8_t>(key >> 8)}; }

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
