// The real uinput path, on nodes that cannot make a device: what a machine
// without /dev/uinput, or a user without the right to it, gets back.
#include "TempDir.h"
#include "UinputDeviceFactory.h"
#include "UinputEventPosting.h"
#include "UinputHIDEventSystem.h"

#include <gtest/gtest.h>
#include <libevdev/libevdev.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

size_t openFileCount()
{
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

TEST(UinputDeviceFactory, NodesThatCannotMakeADeviceFailWithTheirErrno)
{
    TempDir dir;
    const std::string plainFile = dir.file("not-uinput");
    std::ofstream(plainFile) << "";

    const struct {
        std::string node;
        bool available;
        int32_t error;
    } cases[] = {
        {dir.file("missing"), false, ENOENT},
        {dir.path().string(), true, EISDIR},
        {plainFile, true, ENOTTY}, // opens, but refuses the device requests
    };
    libevdev* description = libevdev_new();
    libevdev_set_name(description, "test");
    libevdev_enable_event_code(description, EV_KEY, KEY_A, nullptr);
    const size_t filesBefore = openFileCount();
    for (const auto& c : cases) {
        UinputDeviceFactory factory(c.node);
        EXPECT_EQ(factory.available(), c.available) << c.node;
        std::unique_ptr<EvdevSink> device;
        EXPECT_EQ(factory.create(description, device), c.error) << c.node;
        EXPECT_EQ(device, nullptr);
    }
    EXPECT_EQ(openFileCount(), filesBefore); // nothing left open by a failure
    libevdev_free(description);
}

TEST(UinputDeviceFactory, BackendsReportAMissingNode)
{
    TempDir dir;
    const std::string missing = dir.file("uinput");

    UinputHIDEventSystem pen(std::make_unique<UinputDeviceFactory>(missing));
    EXPECT_FALSE(pen.hasService());
    HIDEventSystem::Connection connection = 5;
    EXPECT_EQ(pen.openConnection(connection), ENOENT);
    EXPECT_EQ(connection, 0u);

    UinputEventPosting keyboard(std::make_unique<UinputDeviceFactory>(missing));
    EXPECT_EQ(keyboard.open(), ENOENT);
    EXPECT_FALSE(keyboard.isOpen());
    EXPECT_EQ(keyboard.postKeyboardEvent(0, 0, true), UinputEventPosting::kNotOpen);
}

// The default node: present or not, the answers agree with each other.
TEST(UinputDeviceFactory, DefaultNodeAnswersConsistently)
{
    UinputHIDEventSystem pen;
    const bool present = ::access(UinputDeviceFactory::kDefaultNode, F_OK) == 0;
    EXPECT_EQ(pen.hasService(), present);
    if (present) GTEST_SKIP() << "this machine has a uinput node; creating a real device is left to a desktop run";
    HIDEventSystem::Connection connection = 0;
    EXPECT_EQ(pen.openConnection(connection), ENOENT);
    EXPECT_EQ(connection, 0u);
}

} // namespace
