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
    Report r{};
    r[0] = 2;
    r[1] = status;
    r[2] = static_cast<uint8_t>(x >> 1);
    r[3] = static_cast<uint8_t>(((x >> 9) & 0x7F) | ((y & 1) << 7));
    r[4] = static_cast<uint8_t>(y >> 1);
    r[5] = static_cast<uint8_t>((y >> 9) & 0x7F);
    r[6] = static_cast<uint8_t>(rawPressure);
    r[7] = static_cast<uint8_t>(rawPressure >> 8);
    return r;
}

inline Report keyReport(int key)
{
    Report r{};
    r[0] = 2;
    r[1] = 0xE0;
    r[4] = static_cast<uint8_t>(key);
    r[5] = static_cast<uint8_t>(key >> 8);
    return r;
}

inline std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

inline bool startsWith(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }

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
    void TearDown() override { session.reset(); }

    BTDriverManager& driver() { return session->driver(); }
    void feed(const Report& r) { session->feed(r); }
    // The same report n times, so that the last one is processed in full
    // when the batch was empty.
    void feedTimes(const Report& r, int n)
    {
        for (int i = 0; i < n; ++i) feed(r);
    }
    std::vector<std::string> lines() const { return splitLines(out.str()); }
    std::vector<std::string> linesStartingWith(const std::string& prefix) const
    {
        std::vector<std::string> found;
        for (const auto& l : lines())
            if (startsWith(l, prefix)) found.push_back(l);
        return found;
    }
    void clearOutput() { out.str(""); }

    std::ostringstream out;
    std::unique_ptr<ReplaySession> session;
};
