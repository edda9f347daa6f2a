#pragma once
// Writes the tablet's reports, as the driver receives them, in the hid-tools
// recorder's text format, so that a recording can be replayed through the
// driver core or played back as a device through uhid:
//
//   R: <descriptor length> <descriptor bytes>     one block per connected device
//   N: <name>
//   P: <physical path>                            where known
//   I: <bus> <vendor> <product>
//   E: <seconds>.<microseconds> <length> <bytes>  one line per report
//
// Times count from the file's first report. While more than one device is
// connected (a tablet with several interfaces), "D: <n>" lines say which
// device the lines after them belong to; a device plugged in again gets a new
// block.
//
// Each report is formatted into a fixed buffer, with no allocation; whole
// lines are written out when the buffer is full, half a second after the last
// write, when a device goes away and at close, so the file always ends in a
// whole line. A failed write (a full disk) stops the recording with a
// "-warn-" line, and the file keeps every whole line that was written.
//
// Devices and reports come from the driver thread; close may come from any
// thread.
#include "HIDManager.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class ReportRecorder {
public:
    // Microseconds on a clock that never goes back.
    using Clock = std::function<int64_t()>;

    // Creates FILE, or empties it; none, with the reason in error, when it cannot.
    static std::unique_ptr<ReportRecorder> create(const std::string& path, std::string& error, Clock clock = {});

    ~ReportRecorder();
    ReportRecorder(const ReportRecorder&) = delete;
    ReportRecorder& operator=(const ReportRecorder&) = delete;

    // Starts a device's block: its reports are recorded from now on.
    void deviceConnected(HIDDeviceRef device, const HIDDeviceInfo& info);
    // Writes out what is buffered; the device's reports are no longer recorded.
    void deviceRemoved(HIDDeviceRef device);
    // One report of a connected device; reports of other devices are not recorded.
    void record(HIDDeviceRef device, const uint8_t* report, size_t length);
    // Writes out what is buffered and closes the file; later calls record nothing.
    void close();

    const std::string& path() const { return path_; }
    // Neither closed nor stopped by a failed write.
    bool isRecording() const;
    uint64_t reportCount() const;

    // The longest report recorded whole (the kernel's largest HID report).
    static constexpr size_t kMaxReport = 4096;

private:
    struct Device {
        HIDDeviceRef ref;
        int number;
    };
    ReportRecorder(int fd, std::string path, Clock clock);

    // With mutex_ held. Each is false once the recording has stopped.
    bool flushLocked();
    bool writeLocked(const char* data, size_t size);
    void selectDeviceLocked(int number);
    void closeLocked();

    const std::string path_;
    const Clock clock_;
    mutable std::mutex mutex_;
    int fd_;
    uint64_t fileSize_ = 0; // bytes written out, all of them whole lines
    std::array<char, 16384> buffer_;
    size_t used_ = 0;
    std::vector<Device> devices_;
    int currentDevice_ = 0; // the device of the file's last D: line (0 before any)
    bool started_ = false;  // the first report set origin_
    int64_t origin_ = 0;
    int64_t lastWrite_ = 0;
    uint64_t reports_ = 0;
};
