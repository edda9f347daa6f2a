#pragma once
// Reads one line of a report recording: hexadecimal bytes separated by blanks,
// or a hid-tools recorder line ("E: <seconds>.<micros> <length> <bytes>").
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

class ReportReader {
public:
    static constexpr size_t kReportLength = 32;
    using Report = std::array<uint8_t, kReportLength>;

    enum class Line { Report, Skipped, Invalid };

    // A report line fills report (missing bytes zero); blank lines, comments
    // and the recorder's other lines are skipped; anything else is invalid,
    // with the reason in error.
    static Line parse(std::string_view line, Report& report, std::string& error);
};
