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

// An executable runs directly, by no shell, whatever shell syntax its path
// holds, and detached; a desktop entry runs through gio, anything else through
// xdg-open, a relative path made absolute so that no launcher can read it as
// an option; what is not there is not started.
TEST(LinuxWorkspace, OpensEachKindOfPathAsTheFileItNames)
{
    TempDir dir;
    const std::string marker = dir.file("started"), entry = dir.file("paint.desktop"), text = dir.file("-n");
    const std::string script = dir.file("run me; touch INJECTED $(touch INJECTED)");
    // Written aside and renamed, so the marker appears whole.
    std::ofstream(script) << "#!/bin/sh\necho \"$0\" > '" << marker << ".part' && mv '" << marker << ".part' '" << marker
                          << "'\n";
    std::ofstream(entry) << "[Desktop Entry]\n";
    std::ofstream(text) << "x";
    for (const std::string& file : {script, entry}) fs::permissions(file, fs::perms::owner_all);
    fs::create_directory(dir.file("Folder.app"));
    const fs::path before = fs::current_path();
    fs::current_path(dir.path());
    using V = std::vector<std::string>;
    const std::pair<std::string, V> rows[] = {
        {script, {script}}, {entry, {"gio", "launch", entry}}, {"-n", {"xdg-open", text}},
        {dir.file("Folder.app"), {"xdg-open", dir.file("Folder.app")}}, {dir.file("missing"), {}}, {"", {}},
    };
    for (const auto& [path, command] : rows) EXPECT_EQ(LinuxWorkspace::commandFor(path), command) << path;
    fs::current_path(before);
    EXPECT_EQ(LinuxWorkspace().openPath(dir.file("missing")), ENOENT);

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
