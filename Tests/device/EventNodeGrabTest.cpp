// Taking the tablet's kernel event nodes for exclusive use while udev may
// still be granting access to them: a refused node is tried again, for about
// a second in all.
#include "HidrawDevice.h"
#include "LogCapture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>

TEST(EventNodeGrab, ANodeRefusedWhileUdevAppliesItsRulesIsTriedAgainForASecondInAll)
{
    using namespace std::chrono_literals;
    const struct {
        size_t nodes;
        std::vector<int> tries; // each try's errno, node after node (0: taken); the last one repeats
        int32_t result;
        size_t grabbed;
        std::chrono::milliseconds waited;
    } cases[] = {
        {2, {0}, 0, 2, 0ms},
        {2, {EACCES, EPERM, EACCES, 0}, 0, 2, 150ms},
        {1, {EACCES}, EACCES, 0, 1000ms},
        {2, {EBUSY, 0}, EBUSY, 1, 0ms}, // not udev's doing: not tried again
        {2, {EACCES}, EACCES, 0, 1000ms}, // a second for both
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        LogCapture log;
        size_t next = 0;
        std::chrono::milliseconds waited{0};
        const HidrawDevice::GrabAccess access{[&](const std::string&) {
                                                  const int error = c.tries[std::min(next++, c.tries.size() - 1)];
                                                  return error ? -error : ::open("/dev/null", O_RDONLY | O_CLOEXEC);
                                              },
                                              [&](std::chrono::milliseconds time) { waited += time; }};
        HidrawDevice device(::open("/dev/null", O_RDONLY | O_CLOEXEC), "/dev/hidraw-test");
        const std::vector<std::string> nodes = {"/dev/input/event0", "/dev/input/event1"};
        EXPECT_EQ(device.grab({nodes.begin(), nodes.begin() + c.nodes}, access), c.result);
        EXPECT_EQ(device.grabbedCount(), c.grabbed);
        EXPECT_EQ(waited, c.waited);
        EXPECT_EQ(log.lines().size(), c.nodes - c.grabbed); // one warning a node left out
        const std::string warning = "[-warn-] could not take /dev/input/event0 for exclusive use: ";
        EXPECT_EQ(log.contains(warning + std::strerror(c.result)), c.result != 0);
    }
}
