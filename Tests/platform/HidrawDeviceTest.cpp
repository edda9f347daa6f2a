#include "HidrawDevice.h"
#include "LogCapture.h"
#include "UdevHIDManager.h"

#include <gtest/gtest.h>

#include <array>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// A datagram socket pair keeps report boundaries, as a hidraw node does.
struct ReportPipe {
    int device = -1, peer = -1;
    ReportPipe()
    {
        int fds[2];
        EXPECT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK, 0, fds), 0);
        device = fds[0];
        peer = fds[1];
    }
    ~ReportPipe()
    {
        if (peer >= 0) close(peer);
    }
    void send(std::vector<uint8_t> bytes) { ASSERT_EQ(write(peer, bytes.data(), bytes.size()), (ssize_t)bytes.size()); }
};
} // namespace

TEST(HidrawDevice, ReportsFillTheBufferWithoutOverrunning)
{
    ReportPipe pipe;
    HidrawDevice device(pipe.device, "/dev/hidraw-test");
    // A guard byte after the 32-byte buffer must never be touched.
    std::array<uint8_t, 33> buffer;
    buffer.fill(0xAA);
    size_t received = 0;

    EXPECT_EQ(device.readReport(buffer.data(), 32, &received), HidrawDevice::Read::Again);

    pipe.send({0x02, 0xC1, 0x34});
    ASSERT_EQ(device.readReport(buffer.data(), 32, &received), HidrawDevice::Read::Report);
    EXPECT_EQ(received, 3u);
    EXPECT_EQ(buffer[1], 0xC1);
    for (size_t i = 3; i < 32; ++i) EXPECT_EQ(buffer[i], 0) << i; // the rest is zero
    EXPECT_EQ(buffer[32], 0xAA);

    std::vector<uint8_t> longReport(100);
    for (size_t i = 0; i < longReport.size(); ++i) longReport[i] = static_cast<uint8_t>(i);
    pipe.send(longReport);
    ASSERT_EQ(device.readReport(buffer.data(), 32, &received), HidrawDevice::Read::Report);
    EXPECT_EQ(received, 32u);
    EXPECT_EQ(buffer[31], 31);
    EXPECT_EQ(buffer[32], 0xAA);

    close(pipe.peer);
    pipe.peer = -1;
    EXPECT_EQ(device.readReport(buffer.data(), 32, &received), HidrawDevice::Read::Gone);
}

TEST(HidrawDevice, FailuresComeBackAsCodesAndUngrabbableNodesAreLogged)
{
    ReportPipe pipe;
    HidrawDevice device(pipe.device, "/dev/hidraw-test");
    const uint8_t mode[] = {0x02, 0x10, 0x01};
    EXPECT_NE(device.sendFeatureReport(mode, sizeof mode), 0); // a socket is no hidraw node
    EXPECT_EQ(device.sendFeatureReport(mode, 0), EINVAL);

    LogCapture log;
    device.grab({"/nonexistent/event99"});
    EXPECT_EQ(device.grabbedCount(), 0u);
    EXPECT_TRUE(log.contains("could not take /nonexistent/event99 for exclusive use"));
    EXPECT_EQ(HidrawDevice::open("/nonexistent/hidraw99"), nullptr);
}

TEST(UdevHIDManager, ParsesHidIdentities)
{
    const auto id = UdevHIDManager::parseHidId("0003:00003F1D:00000A31");
    ASSERT_TRUE(id);
    EXPECT_EQ(id->bus, UdevHIDManager::kBusUSB);
    EXPECT_EQ(id->vendor, 0x3f1du);
    EXPECT_EQ(id->product, 0x0a31u);
    for (const char* bad : {"", "0003:3F1D", "0003:00003F1D:00000A31x", "zz:1:2"})
        EXPECT_FALSE(UdevHIDManager::parseHidId(bad)) << bad;
    EXPECT_FALSE(UdevHIDManager::parseHidId(nullptr));
}

TEST(UdevHIDManager, FindsNothingWithoutTheTabletAndClosesCleanly)
{
    UdevHIDManager manager;
    manager.setDeviceMatching(0x3f1d, 0x0a31);
    EXPECT_EQ(manager.open(kIOHIDOptionsTypeSeizeDevice), 0);
    static int matched = 0;
    manager.registerDeviceMatchingCallback([](void*, int32_t, void*, HIDDeviceRef) { ++matched; }, nullptr);
    manager.scheduleWithRunLoop();
    EXPECT_EQ(matched, 0);
    EXPECT_EQ(manager.close(), 0);
    manager.unscheduleFromRunLoop();
}
