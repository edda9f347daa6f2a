// Taking the tablet's kernel event nodes for exclusive use while udev may
// still be granting access to them: a refused node is tried again, for about
// a second in all.
#include "HidrawDevice.h"
#include "LogCapture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <fcntl.h>

TEST(EventNodeGrab, ANodeRefusedWhileUdevAppliesItsRulesIsTriedAgainForASecondInAll)
{
    using namespace std::chrono_literals;
    const struct {
        std::vector<std::deque<int>> tries; // per node: each try's errno (0: taken); the last one repeats
        int32_t result;
        size_t grabbed;
        std::chrono::milliseconds waited;
    } cases[] = {
        {{{0}, {0}}, 0, 2, 0ms},
        {{{EACCES, EPERM, EACCES, 0}, {0}}, 0, 2, 150ms},
        {{{EACCES}}, EACCES, 0, 1000ms},
        {{{EBUSY, 0}, {0}}, EBUSY, 1, 0ms}, // not udev's doing: not tried again
        {{{EACCES}, {EPERM, 0}}, EACCES, 0, 1000ms},
    };
    for (const auto& c : cases) {
        LogCapture log;
        auto tries = c.tries;
        std::chrono::milliseconds waited{0};
        HidrawDevice::GrabAccess access{[&](const std::string& node) {
                                            std::deque<int>& next = tries.at(node.back() - '0');
                                            const int error = next.front();
                                            if (next.size() > 1) next.pop_front();
                                            return error ? -error : ::open("/dev/null", O_RDONLY | O_CLOEXEC);
                                        },
                                        [&](std::chrono::milliseconds time) { waited += time; }};
        HidrawDevice device(::open("/dev/null", O_RDONLY | O_CLOEXEC), "/dev/hidraw-test");
        std::vector<std::string> nodes;
        for (size_t i = 0; i < tries.size(); ++i) nodes.push_back("/dev/input/event" + std::to_string(i));
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        EXPECT_EQ(device.grab(nodes, access), c.result);
        EXPECT_EQ(device.grabbedCount(), c.grabbed);
        EXPECT_EQ(waited, c.waited);
        EXPECT_EQ(log.lines().size(), nodes.size() - c.grabbed); // one warning a node left out
        const std::string warning = "[-warn-] could not take /dev/input/event0 for exclusive use: ";
        EXPECT_EQ(log.contains(warning + std::strerror(c.result)), c.result != 0);
    }
}
