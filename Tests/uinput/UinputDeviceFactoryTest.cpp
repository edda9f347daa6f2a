// The real uinput path, on nodes that cannot make a device: what a machine
// without /dev/uinput, or a user without the right to it, gets back.
#include "TempDir.h"
#include "UinputDeviceFactory.h"

#include <gtest/gtest.h>
#include <libevdev/libevdev.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <tuple>

namespace {

TEST(UinputDeviceFactory, NodesThatCannotMakeADeviceFailWithTheirErrno)
{
    TempDir dir;
    std::ofstream(dir.file("not-uinput")) << "";
    const std::tuple<std::string, bool, int32_t> cases[] = {
        {dir.file("missing"), false, ENOENT},
        {dir.file("not-uinput"), true, ENOTTY}, // opens, but refuses the device requests
    };
    libevdev* description = libevdev_new();
    libevdev_enable_event_code(description, EV_KEY, KEY_A, nullptr);
    const auto openFiles = [] { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); };
    const auto filesBefore = openFiles();
    for (const auto& [node, available, error] : cases) {
        UinputDeviceFactory factory(node);
        EXPECT_EQ(factory.available(), available) << node;
        std::unique_ptr<EvdevSink> device;
        EXPECT_EQ(factory.create(description, device), error) << node;
        EXPECT_EQ(device, nullptr);
    }
    EXPECT_EQ(openFiles(), filesBefore); // nothing left open by a failure
    libevdev_free(description);
}

} // namespace
