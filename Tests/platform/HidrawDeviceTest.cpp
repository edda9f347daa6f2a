#include "HidrawDevice.h"
#include "LogCapture.h"
#include "UdevHIDManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <sys/socket.h>
#include <unistd.h>

// A datagram socket pair keeps report boundaries, as a hidraw node does; a
// guard byte after the 32-byte buffer must never be touched.
TEST(HidrawDevice, ReportsFillTheBufferWithoutOverrunningAndFailuresAreCodes)
{
    int fds[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK, 0, fds), 0);
    HidrawDevice device(fds[0], "/dev/hidraw-test");
    std::vector<uint8_t> buffer(33, 0xAA);
    size_t received = 0;
    const auto send = [&](std::vector<uint8_t> b) { ASSERT_EQ(write(fds[1], b.data(), b.size()), ssize_t(b.size())); };

    EXPECT_EQ(device.readReport(buffer.data(), 32, &received), HidrawDevice::Read::Again);
    send({0x02, 0xC1, 0x34});
    ASSERT_EQ(device.readReport(buffer.data(), 32, &received), HidrawDevice::Read::Report);
    EXPECT_EQ(std::pair(received, buffer[1]), std::pair(size_t{3}, uint8_t{0xC1}));
    EXPECT_TRUE(std::all_of(buffer.begin() + 3, buffer.begin() + 32, [](uint8_t b) { return b == 0; }));
    std::vector<uint8_t> longReport(100);
    std::iota(longReport.begin(), longReport.end(), 0);
    send(longReport);
    ASSERT_EQ(device.readReport(buffer.data(), 32, &received), HidrawDevice::Read::Report);
    EXPECT_EQ(std::tuple(received, buffer[31], buffer[32]), std::tuple(size_t{32}, uint8_t{31}, uint8_t{0xAA}));

    const uint8_t mode[] = {0x02, 0x10, 0x01};
    EXPECT_NE(device.sendFeatureReport(mode, sizeof mode), 0); // a socket is no hidraw node
    EXPECT_EQ(device.sendFeatureReport(mode, 0), EINVAL);
    LogCapture log;
    device.grab({"/nonexistent/event99"});
    EXPECT_EQ(device.grabbedCount(), 0u);
    EXPECT_TRUE(log.contains("could not take /nonexistent/event99 for exclusive use"));
    EXPECT_EQ(HidrawDevice::open("/nonexistent/hidraw99"), nullptr);

    close(fds[1]);
    EXPECT_EQ(device.readReport(buffer.data(), 32, &received), HidrawDevice::Read::Gone);
}

TEST(UdevHIDManager, ParsesHidIdentitiesAndFindsNothingWithoutTheTablet)
{
    const auto id = UdevHIDManager::parseHidId("0003:00003F1D:00000A31");
    ASSERT_TRUE(id);
    EXPECT_EQ(std::tuple(id->bus, id->vendor, id->product), std::tuple(UdevHIDManager::kBusUSB, 0x3f1du, 0x0a31u));
    for (const char* bad : {"", "0003:3F1D", "0003:00003F1D:00000A31x", "zz:1:2", static_cast<const char*>(nullptr)})
        EXPECT_FALSE(UdevHIDManager::parseHidId(bad)) << (bad ? bad : "null");

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
