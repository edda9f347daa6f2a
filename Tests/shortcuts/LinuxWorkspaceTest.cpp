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

std::string writeFile(const std::string& path, const std::string& text, fs::perms perms)
{
    std::ofstream(path) << text;
    fs::permissions(path, perms);
    return path;
}

TEST(LinuxWorkspace, ChoosesHowToOpenEachKindOfPath)
{
    TempDir dir;
    const auto exec = fs::perms::owner_all;
    const auto plain = fs::perms::owner_read | fs::perms::owner_write;
    const std::string tool = writeFile(dir.file("tool"), "#!/bin/sh\n", exec);
    const std::string entry = writeFile(dir.file("paint.desktop"), "[Desktop Entry]\n", exec);
    const std::string text = writeFile(dir.file("notes.txt"), "x", plain);
    fs::create_directory(dir.file("Folder.app"));

    using V = std::vector<std::string>;
    EXPECT_EQ(LinuxWorkspace::commandFor(tool), (V{tool}));
    EXPECT_EQ(LinuxWorkspace::commandFor(entry), (V{"gio", "launch", entry}));
    EXPECT_EQ(LinuxWorkspace::commandFor(text), (V{"xdg-open", text}));
    EXPECT_EQ(LinuxWorkspace::commandFor(dir.file("Folder.app")), (V{"xdg-open", dir.file("Folder.app")}));
    EXPECT_EQ(LinuxWorkspace::commandFor(dir.file("missing")), V{});
    EXPECT_EQ(LinuxWorkspace::commandFor(""), V{});

    // A relative path is made absolute, so no launcher can read it as an option.
    const fs::path before = fs::current_path();
    fs::current_path(dir.path());
    std::ofstream("-n") << "x";
    const V relative = LinuxWorkspace::commandFor("-n");
    fs::current_path(before);
    EXPECT_EQ(relative, (V{"xdg-open", dir.file("-n")}));
}

// A path full of shell syntax is started as the file it names, by no shell.
TEST(LinuxWorkspace, StartsAnExecutableDirectlyAndDetached)
{
    TempDir dir;
    const std::string marker = dir.file("started");
    const std::string injected = dir.file("INJECTED");
    const std::string script = dir.file("run me; touch INJECTED $(touch INJECTED)");
    // Written aside and renamed, so the marker appears whole.
    writeFile(script, "#!/bin/sh\necho \"$0\" > '" + marker + ".part' && mv '" + marker + ".part' '" + marker + "'\n",
              fs::perms::owner_all);

    LinuxWorkspace workspace;
    ASSERT_EQ(workspace.openPath(script), 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!fs::exists(marker) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::string firstLine;
    std::getline(std::ifstream(marker), firstLine);
    EXPECT_EQ(firstLine, script);
    EXPECT_FALSE(fs::exists(injected));
    EXPECT_FALSE(fs::exists(dir.path() / "touch"));
}

TEST(LinuxWorkspace, ReportsWhatCannotBeStarted)
{
    TempDir dir;
    LinuxWorkspace workspace;
    EXPECT_EQ(workspace.openPath(dir.file("missing")), ENOENT);
    // Executable bit but nothing the kernel can run.
    const std::string broken = writeFile(dir.file("broken"), "#!/nonexistent/interpreter\n", fs::perms::owner_all);
    EXPECT_NE(workspace.openPath(broken), 0);
}

} // namespace
