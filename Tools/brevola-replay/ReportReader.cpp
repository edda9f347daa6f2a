#include "ReportReader.h"

#include <cctype>
#include <vector>

namespace {

std::vector<std::string_view> fields(std::string_view s)
{
    std::vector<std::string_view> out;
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
        size_t j = i;
        while (j < s.size() && !std::isspace(static_cast<unsigned char>(s[j]))) ++j;
        if (j > i) out.push_back(s.substr(i, j - i));
        i = j;
    }
    return out;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool allDigits(std::string_view s)
{
    if (s.empty()) return false;
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

ReportReader::Line bytesInto(const std::vector<std::string_view>& tokens, size_t first, ReportReader::Report& report,
                             std::string& error)
{
    const size_t count = tokens.size() - first;
    if (count > ReportReader::kReportLength) {
        error = "more than 32 bytes (" + std::to_string(count) + ")";
        return ReportReader::Line::Invalid;
    }
    report.fill(0);
    for (size_t i = 0; i < count; ++i) {
        const std::string_view t = tokens[first + i];
        const int hi = t.size() == 2 ? hexDigit(t[0]) : 0;
        const int lo = t.empty() ? -1 : hexDigit(t.back());
        if (t.size() > 2 || hi < 0 || lo < 0) {
            error = "not a hexadecimal byte: \"" + std::string(t) + "\"";
            return ReportReader::Line::Invalid;
        }
        report[i] = static_cast<uint8_t>(hi * 16 + lo);
    }
    return ReportReader::Line::Report;
}

} // namespace

ReportReader::Line ReportReader::parse(std::string_view line, Report& report, std::string& error)
{
    const std::vector<std::string_view> tokens = fields(line);
    if (tokens.empty() || tokens[0].front() == '#') return Line::Skipped;

    // A recorder line starts with a tag such as "E:", "R:", "N:".
    const std::string_view tag = tokens[0];
    if (tag.size() >= 2 && tag.back() == ':' && std::isalpha(static_cast<unsigned char>(tag[0]))) {
        if (tag != "E:") return Line::Skipped;
        if (tokens.size() < 3) {
            error = "recorder event line without time and length";
            return Line::Invalid;
        }
        const std::string_view time = tokens[1];
        const size_t dot = time.find('.');
        if (dot == std::string_view::npos || !allDigits(time.substr(0, dot)) || !allDigits(time.substr(dot + 1))) {
            error = "recorder event line with a bad time: \"" + std::string(time) + "\"";
            return Line::Invalid;
        }
        if (!allDigits(tokens[2]) || tokens[2].size() > 6) {
            error = "recorder event line with a bad length: \"" + std::string(tokens[2]) + "\"";
            return Line::Invalid;
        }
        const size_t length = std::stoul(std::string(tokens[2]));
        if (length != tokens.size() - 3) {
            error = "recorder event line gives length " + std::to_string(length) + " but holds " +
                    std::to_string(tokens.size() - 3) + " bytes";
            return Line::Invalid;
        }
        return bytesInto(tokens, 3, report, error);
    }
    return bytesInto(tokens, 0, report, error);
}
