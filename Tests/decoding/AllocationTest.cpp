// Decoding a report allocates nothing while the pressure meter is off, nor
// does recording it. This program replaces the global allocator to count
// allocations in a window.
#include "ReportFixture.h"
#include "ReportRecorder.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
} // namespace

void* operator new(std::size_t size)
{
    if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

using DecodingAllocation = ReplayFixture;

TEST_F(DecodingAllocation, NoAllocationPerReportWhileDecodingAndRecording)
{
    RecordingHIDEventSystem& events = session->events();
    events.setObserver({}); // the tool's printing is not the driver's work
    events.reserve(8000);
    std::string error;
    int64_t now = 0;
    auto recorder = ReportRecorder::create("/dev/null", error, [&now] { return now; });
    ASSERT_TRUE(recorder) << error;
    const auto device = reinterpret_cast<HIDDeviceRef>(&now);
    recorder->deviceConnected(device, HIDDeviceInfo{"Tablet", "usb-1", 3, 1, 2, {0x05, 0x01}});

    // In range and pressing, so that the thousand reports are a stroke: moves,
    // drags and pressure changes, without the one-off log lines of entering.
    feed(stylusReport(kTip, 20000, 20000, 5000), 8);
    feed(stylusReport(kTip, 20010, 20000, 5200), 4);
    ASSERT_TRUE(driver().isDragging());

    allocations = 0;
    counting = true;
    for (int i = 0; i < 1000; ++i) {
        const Report r = stylusReport(kTip, 20000 + 8 * i, 20000 + 4 * i, 3000 + 4 * i);
        now += 100'000; // written out every few reports
        recorder->record(device, r.data(), r.size());
        driver().didReceiveReport(r.data(), 2);
    }
    counting = false;
    EXPECT_EQ(allocations.load(), 0);
    EXPECT_GE(events.count(), 750u); // the reports did post: three moves and a drag per four
    EXPECT_EQ(recorder->reportCount(), 1000u);

    // The meter's notification is the one allocation the path may make.
    driver().setShowPressure(true);
    allocations = 0;
    counting = true;
    driver().didReceiveReport(stylusReport(kTip, 20000, 20000, 3000).data(), 2);
    counting = false;
    EXPECT_GT(allocations.load(), 0);
}

} // namespace
