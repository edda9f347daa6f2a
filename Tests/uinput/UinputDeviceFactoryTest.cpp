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
    libevdev_enable_event_code(description, EV_KEY, KEY_A, nullptr);
    const auto openFiles = [] { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); };
    const auto filesBefore = openFiles();
    for (const auto& c : cases) {
        UinputDeviceFactory factory(c.node);
        EXPECT_EQ(factory.available(), c.available) << c.node;
        std::unique_ptr<EvdevSink> device;
        EXPECT_EQ(factory.create(description, device), c.error) << c.node;
        EXPECT_EQ(device, nullptr);
    }
    EXPECT_EQ(openFiles(), filesBefore); // nothing left open by a failure
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

// Without a factory the backends use the default node, present or not.
TEST(UinputDeviceFactory, DefaultNodeIsUsedWithoutAFactory)
{
    EXPECT_EQ(UinputHIDEventSystem().hasService(), ::access(UinputDeviceFactory::kDefaultNode, F_OK) == 0);
}

} // namespace
