#include "ReportRecorder.h"

#include "SystemLog.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>

namespace {

constexpr int64_t kWriteInterval = 500'000; // microseconds
// "E: " + seconds (up to 20 digits) + "." + 6 digits + " " + length + " " ... + "\n"
constexpr size_t kLineOverhead = 40;
constexpr char kHexDigits[] = "0123456789abcdef";

int64_t steadyMicroseconds()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

// Decimal digits of value, at least minDigits of them, zero-padded.
char* putDecimal(char* p, uint64_t value, int minDigits)
{
    char digits[20];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (int i = n; i < minDigits; ++i) *p++ = '0';
    while (n > 0) *p++ = digits[--n];
    return p;
}

// " xx" for every byte value, padded to four characters so that each is one store.
constexpr std::array<std::array<char, 4>, 256> kHexBytes = [] {
    std::array<std::array<char, 4>, 256> table{};
    for (size_t b = 0; b < 256; ++b) table[b] = {' ', kHexDigits[b >> 4], kHexDigits[b & 0x0F], '\0'};
    return table;
}();

// Writes one character past the end (the line's end goes there).
char* putHexBytes(char* p, const uint8_t* bytes, size_t count)
{
    for (size_t i = 0; i < count; ++i, p += 3) std::memcpy(p, kHexBytes[bytes[i]].data(), 4);
    return p;
}

// A header line's text must stay on its line.
std::string oneLine(std::string text)
{
    std::replace_if(text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    return text;
}

std::string headerOf(const HIDDeviceInfo& info)
{
    const size_t size = std::min(info.reportDescriptor.size(), ReportRecorder::kMaxReport);
    std::string block = "R: " + std::to_string(size);
    std::string bytes(size * 3 + 1, ' ');
    putHexBytes(bytes.data(), info.reportDescriptor.data(), size);
    bytes.pop_back();
    block += bytes;
    block += "\nN: " + oneLine(info.name) + '\n';
    if (!info.physicalPath.empty()) block += "P: " + oneLine(info.physicalPath) + '\n';
    char ids[48];
    const int n = std::snprintf(ids, sizeof ids, "I: %x %04x %04x\n", info.bus, info.vendorID, info.productID);
    block.append(ids, static_cast<size_t>(std::max(n, 0)));
    return block;
}

} // namespace

static_assert(sizeof(std::array<char, 16384>) >= kLineOverhead + 3 * ReportRecorder::kMaxReport,
              "a whole report line fits the buffer");

std::unique_ptr<ReportRecorder> ReportRecorder::create(const std::string& path, std::string& error, Clock clock)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = "cannot create " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    return std::unique_ptr<ReportRecorder>(new ReportRecorder(fd, path, clock ? std::move(clock) : steadyMicroseconds));
}

ReportRecorder::ReportRecorder(int fd, std::string path, Clock clock)
    : path_(std::move(path)), clock_(std::move(clock)), fd_(fd), lastWrite_(clock_())
{
    devices_.reserve(4);
}

ReportRecorder::~ReportRecorder() { close(); }

bool ReportRecorder::isRecording() const
{
    std::lock_guard lock(mutex_);
    return fd_ >= 0;
}

uint64_t ReportRecorder::reportCount() const
{
    std::lock_guard lock(mutex_);
    return reports_;
}

void ReportRecorder::deviceConnected(HIDDeviceRef device, const HIDDeviceInfo& info)
{
    const std::string header = headerOf(info);
    std::lock_guard lock(mutex_);
    if (fd_ < 0) return;
    // A new device may reuse the address of one whose removal was never seen.
    std::erase_if(devices_, [device](const Device& d) { return d.ref == device; });
    int number = 0;
    while (std::any_of(devices_.begin(), devices_.end(), [number](const Device& d) { return d.number == number; }))
        ++number;
    devices_.push_back({device, number});
    // The header goes out at once, so the file shows the device while it is used.
    selectDeviceLocked(number);
    if (flushLocked()) writeLocked(header.data(), header.size());
}

void ReportRecorder::deviceRemoved(HIDDeviceRef device)
{
    std::lock_guard lock(mutex_);
    std::erase_if(devices_, [device](const Device& d) { return d.ref == device; });
    if (fd_ >= 0) flushLocked();
}

void ReportRecorder::record(HIDDeviceRef device, const uint8_t* report, size_t length)
{
    std::lock_guard lock(mutex_);
    if (fd_ < 0) return;
    const auto it = std::find_if(devices_.begin(), devices_.end(), [device](const Device& d) { return d.ref == device; });
    if (it == devices_.end()) return;
    const int64_t now = clock_();
    if (!started_) {
        started_ = true;
        origin_ = now;
    }
    length = std::min(length, kMaxReport);
    // Room for a device line and the report's line.
    if (used_ + 2 * kLineOverhead + 3 * length > buffer_.size() && !flushLocked()) return;
    selectDeviceLocked(it->number);

    const uint64_t elapsed = static_cast<uint64_t>(std::max<int64_t>(now - origin_, 0));
    char* p = buffer_.data() + used_;
    *p++ = 'E';
    *p++ = ':';
    *p++ = ' ';
    p = putDecimal(p, elapsed / 1'000'000, 6);
    *p++ = '.';
    p = putDecimal(p, elapsed % 1'000'000, 6);
    *p++ = ' ';
    p = putDecimal(p, length, 1);
    p = putHexBytes(p, report, length);
    *p++ = '\n';
    used_ = static_cast<size_t>(p - buffer_.data());
    ++reports_;

    if (now - lastWrite_ >= kWriteInterval) flushLocked();
}

void ReportRecorder::selectDeviceLocked(int number)
{
    if (number == currentDevice_) return;
    currentDevice_ = number;
    char* p = buffer_.data() + used_;
    *p++ = 'D';
    *p++ = ':';
    *p++ = ' ';
    p = putDecimal(p, static_cast<uint64_t>(number), 1);
    *p++ = '\n';
    used_ = static_cast<size_t>(p - buffer_.data());
}

bool ReportRecorder::flushLocked()
{
    if (fd_ < 0) return false;
    lastWrite_ = clock_();
    const bool ok = writeLocked(buffer_.data(), used_);
    used_ = 0;
    return ok;
}

bool ReportRecorder::writeLocked(const char* data, size_t size)
{
    if (fd_ < 0) return false;
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd_, data + done, size - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        const int error = n < 0 ? errno : EIO;
        // Keep the whole lines that made it; drop the part of a line that did not.
        const std::string_view written(data, done);
        const size_t lastEnd = written.rfind('\n');
        const size_t kept = lastEnd == std::string_view::npos ? 0 : lastEnd + 1;
        const bool whole = kept == done || ::ftruncate(fd_, static_cast<off_t>(fileSize_ + kept)) == 0;
        fileSize_ += kept;
        BTLogWarn("-[ReportRecorder write]", "cannot write %s (%s); recording stopped%s", path_.c_str(),
                  std::strerror(error), whole ? "" : ", and its last line is cut short");
        closeLocked();
        return false;
    }
    fileSize_ += done;
    return true;
}

void ReportRecorder::close()
{
    std::lock_guard lock(mutex_);
    if (fd_ < 0) return;
    if (!flushLocked()) return; // closed, with its warning
    BTLogInfo("-[ReportRecorder close]", "recorded %llu reports to %s", static_cast<unsigned long long>(reports_),
              path_.c_str());
    closeLocked();
}

void ReportRecorder::closeLocked()
{
    if (fd_ >= 0 && ::close(fd_) != 0 && errno != EINTR)
        BTLogWarn("-[ReportRecorder close]", "closing %s failed (%s); the recording may be incomplete", path_.c_str(),
                  std::strerror(errno));
    fd_ = -1;
    used_ = 0;
    devices_.clear();
}
