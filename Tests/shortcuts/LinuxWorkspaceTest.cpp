#include "LinuxWorkspace.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

namespace fs = std::filesystem;

std::string writeFile(const std::string& path, const std::string& text, fs::perms perms = fs::perms::owner_all)
{
    std::ofstream(path) << text;
    fs::permissions(path, perms);
    return path;
}

// An executable runs directly, a desktop entry through gio, anything else
// through xdg-open, a relative path made absolute so that no launcher can
// read it as an option; what is not there, or cannot run, is not started.
TEST(LinuxWorkspace, ChoosesHowToOpenEachKindOfPath)
{
    TempDir dir;
    const std::string tool = writeFile(dir.file("tool"), "#!/bin/sh\n");
    const std::string entry = writeFile(dir.file("paint.desktop"), "[Desktop Entry]\n");
    const std::string text = writeFile(dir.file("-n"), "x", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_directory(dir.file("Folder.app"));
    const fs::path before = fs::current_path();
    fs::current_path(dir.path());
    using V = std::vector<std::string>;
    const std::pair<std::string, V> rows[] = {
        {tool, {tool}}, {entry, {"gio", "launch", entry}}, {"-n", {"xdg-open", text}},
        {dir.file("Folder.app"), {"xdg-open", dir.file("Folder.app")}}, {dir.file("missing"), {}}, {"", {}},
    };
    for (const auto& [path, command] : rows) EXPECT_EQ(LinuxWorkspace::commandFor(path), command) << path;
    fs::current_path(before);

    EXPECT_EQ(LinuxWorkspace().openPath(dir.file("missing")), ENOENT);
    EXPECT_NE(LinuxWorkspace().openPath(writeFile(dir.file("broken"), "#!/nonexistent/interpreter\n")), 0);
}

// A path full of shell syntax is started as the file it names, by no shell.
TEST(LinuxWorkspace, StartsAnExecutableDirectlyAndDetached)
{
    TempDir dir;
    const std::string marker = dir.file("started");
    const std::string script = dir.file("run me; touch INJECTED $(touch INJECTED)");
    // Written aside and renamed, so the marker appears whole.
    writeFile(script, "#!/bin/sh\necho \"$0\" > '" + marker + ".part' && mv '" + marker + ".part' '" + marker + "'\n");
    ASSERT_EQ(LinuxWorkspace().openPath(script), 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!fs::exists(marker) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::string firstLine;
    std::getline(std::ifstream(marker), firstLine);
    EXPECT_EQ(firstLine, script);
    EXPECT_FALSE(fs::exists(dir.file("INJECTED")) || fs::exists(dir.path() / "touch"));
}

} // namespace
