// Import, export and reset through the panel's dialogs and alerts, answered
// the way a user would answer them.
#include "DefaultsKeys.h"
#include "LogCapture.h"
#include "PanelFixture.h"
#include "PropertyList.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace K = DefaultsKeys;

namespace {

// Every setting the driver holds, to compare before and after.
struct Snapshot {
    float damping, deadZone;
    int32_t smoothing, rotation, displayId;
    char mouse, shortcuts;
    Point offset;
    Rect screen, tablet;
    std::string document;
    friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

// Sets or clears a folder's immutable flag; false when the file system or our rights do not allow it.
bool setImmutable(const std::filesystem::path& folder, bool on)
{
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    int flags = 0;
    bool done = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        done = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    close(fd);
    return done;
}

} // namespace

class PanelTransfer : public PanelFixture {
protected:
    Snapshot snapshot()
    {
        BTDriverManager& d = driver();
        const auto text = shortcuts_.text();
        return {d.pressureDamping(), d.pressureDeadZone(), d.smoothingLevel(), d.tabletRotation(), d.displayId(),
                d.enableMouse(),     d.enableShourtcut(),  d.cursorOffset(),   d.screenArea(),     d.tabletArea(),
                text ? std::string(text->begin(), text->end()) : std::string()};
    }

    // Answers the panel's file dialog with a path.
    void choose(const std::string& path)
    {
        QFileDialog* dialog = nullptr;
        ASSERT_TRUE(waitFor([&] { return (dialog = window().findChild<QFileDialog*>()) && dialog->isVisible(); }));
        EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
        dialog->selectFile(QString::fromStdString(path));
        QMetaObject::invokeMethod(dialog, "accept"); // the dialog's own Open or Save button
        drain();
    }

    // The alert shown now on the panel, if any.
    QMessageBox* shownAlert()
    {
        for (QMessageBox* box : window().findChildren<QMessageBox*>())
            if (box->isVisible()) return box;
        return nullptr;
    }

    // Answers the alert on the panel, which must say `text`, with one of its buttons.
    void answer(const QString& text, const QString& button)
    {
        QMessageBox* box = nullptr;
        ASSERT_TRUE(waitFor([&] { return (box = shownAlert()) != nullptr; }));
        EXPECT_EQ(box->text(), text);
        EXPECT_EQ(box->windowModality(), Qt::WindowModal);
        QAbstractButton* chosen = nullptr;
        for (QAbstractButton* b : box->buttons())
            if (b->text() == button) chosen = b;
        ASSERT_NE(chosen, nullptr) << button.toStdString();
        QTest::mouseClick(chosen, Qt::LeftButton);
        drain();
    }

    void exportTo(const std::string& path)
    {
        QTest::mouseClick(outlet<QPushButton>("exportButton"), Qt::LeftButton);
        choose(path);
    }

    void importFrom(const std::string& path, const QString& confirm = "Yes")
    {
        QTest::mouseClick(outlet<QPushButton>("importButton"), Qt::LeftButton);
        choose(path);
        answer("The information you set will lost!\nConfirm the import?", confirm);
    }

    // What the store keeps on disk, apart from what is registered for the run.
    PlistValue::Dictionary storedOnDisk()
    {
        defaults_.synchronize();
        const auto file = PropertyList::readFile(defaults_.path());
        return file && file->isDictionary() ? *file->dictionary() : PlistValue::Dictionary();
    }

    void storeSettings()
    {
        BTDriverManager& d = driver();
        d.setPressureDamping(0.75f);
        d.setPressureDeadZone(0.25f);
        d.setSmoothingLevel(7);
        d.setTabletRotation(90);
        d.setEnableMouse(1);
        d.setEnableShourtcut(0);
        d.setCursorOffset({3, -2});
        d.setTabletArea(Rect(100, 200, 30000, 20000));
        // A shortcut document that differs from the built-in one.
        defaults_.setObject(std::string(kDocument), K::shortcutSettings);
        shortcuts_.initConfig();
        d.saveSettings();
    }

    static constexpr const char* kDocument =
        R"({"0":{"enableKeyboard":1,"shortcutEvent":"Ctrl+","keyboardEvent":"Q "}})";
};

TEST_F(PanelTransfer, ExportThenImportKeepsEverySettingAndLeavesOnlyTheOffsetStored)
{
    storeSettings();
    controller();
    const Snapshot before = snapshot();

    exportTo(dir_.file("settings")); // the dialog adds the file type
    answer("Exported", "Ok");
    const auto file = PropertyList::readFile(dir_.file("settings.plist"));
    ASSERT_TRUE(file && file->isDictionary());
    EXPECT_EQ(file->dictionary()->at(K::smoothing), PlistValue(7));

    importFrom(dir_.file("settings.plist"));
    EXPECT_TRUE(before == snapshot());
    PlistValue::Dictionary ours;
    for (const auto& [key, value] : storedOnDisk())
        if (key.rfind("com.qorn.sr.brevolaDriver.", 0) == 0) ours.emplace(key, value);
    EXPECT_EQ(ours, (PlistValue::Dictionary{{K::offset, PlistValue::Array{3.0, -2.0}}}));
}

TEST_F(PanelTransfer, KeysAFileLacksFallBackToWhatWasRegisteredElseToTheBuiltIns)
{
    storeSettings();
    controller();
    const std::string withDeadZone = dir_.file("a.plist"), without = dir_.file("b.plist");
    ASSERT_TRUE(
        PropertyList::writeFile(withDeadZone, PlistValue(PlistValue::Dictionary{{K::pressureDeadZone, 0.375}})));
    ASSERT_TRUE(PropertyList::writeFile(without, PlistValue(PlistValue::Dictionary{{K::smoothing, 9}})));

    importFrom(without);
    EXPECT_EQ(driver().smoothingLevel(), 9);
    EXPECT_FLOAT_EQ(driver().pressureDeadZone(), 0.0f);
    EXPECT_EQ(outlet<QSlider>("smoothingSlider")->value(), 9);
    // No shortcut document in the file: the built-in one.
    UserDefaults empty(dir_.file("empty.plist"));
    Configure builtIn(&empty);
    EXPECT_EQ(shortcuts_.readShortcutForCmd(0), builtIn.readShortcutForCmd(0));
    EXPECT_NE(shortcuts_.readShortcutForCmd(0), "Ctrl+Q;");

    importFrom(withDeadZone);
    importFrom(without);
    EXPECT_FLOAT_EQ(driver().pressureDeadZone(), 0.375f); // registered earlier in the run
}

TEST_F(PanelTransfer, ResetAfterAnImportBringsBackTheImportedValues)
{
    connectTablet();
    const std::string file = dir_.file("nine.plist");
    ASSERT_TRUE(PropertyList::writeFile(file, PlistValue(PlistValue::Dictionary{{K::smoothing, 9}})));
    importFrom(file);
    outlet<QSlider>("smoothingSlider")->setValue(2);
    QTest::mouseClick(outlet<QPushButton>("applyButton"), Qt::LeftButton);
    ASSERT_EQ(storedOnDisk().at(K::smoothing), PlistValue(2));

    const QString confirm = "The information you set will lost!\nConfirm the default setting?\nRestore setting?";
    QTest::mouseClick(outlet<QPushButton>("resetButton"), Qt::LeftButton);
    answer(confirm, "No");
    EXPECT_EQ(driver().smoothingLevel(), 2);
    QTest::mouseClick(outlet<QPushButton>("resetButton"), Qt::LeftButton);
    answer(confirm, "Yes");
    EXPECT_EQ(driver().smoothingLevel(), 9);
    EXPECT_EQ(outlet<QSlider>("smoothingSlider")->value(), 9);
    EXPECT_EQ(storedOnDisk().count(K::smoothing), 0u);
}

TEST_F(PanelTransfer, ARelaunchAfterAnImportWithoutApplyStartsFromTheBuiltInsButTheOffset)
{
    storeSettings();
    controller();
    const std::string file = dir_.file("in.plist");
    ASSERT_TRUE(PropertyList::writeFile(
        file, PlistValue(PlistValue::Dictionary{
                  {K::smoothing, 9}, {K::pressureDeadZone, 0.5}, {K::offset, PlistValue::Array{5.0, 6.0}}})));
    importFrom(file);
    ASSERT_EQ(driver().smoothingLevel(), 9);

    UserDefaults relaunched(defaults_.path());
    BTDriverManager second(BTDriverManager::Options{&relaunched});
    EXPECT_EQ(second.smoothingLevel(), 4);
    EXPECT_FLOAT_EQ(second.pressureDeadZone(), 0.0f);
    EXPECT_EQ(second.tabletRotation(), 0);
    EXPECT_EQ(second.cursorOffset(), (Point{5, 6}));
}

TEST_F(PanelTransfer, AnExportIntoAReadOnlyFolderLeavesNoFileAndShowsNoAlert)
{
    const std::filesystem::path locked = dir_.path() / "locked";
    std::filesystem::create_directory(locked);
    std::filesystem::permissions(locked, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    // Writable again at the end, whatever happens, so the folder can go.
    struct Unlock {
        std::filesystem::path folder;
        ~Unlock()
        {
            if (geteuid() == 0) setImmutable(folder, false);
            std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
        }
    } unlock{locked};
    // The superuser ignores permissions but not an immutable folder.
    if (geteuid() == 0 && !setImmutable(locked, true)) GTEST_SKIP() << "no immutable folders here";
    const std::string target = (locked / "settings.plist").string();
    LogCapture log;
    controller();
    exportTo(target);
    QTest::qWait(100);
    EXPECT_EQ(shownAlert(), nullptr);
    EXPECT_TRUE(std::filesystem::is_empty(locked)); // no temporary file left either
    EXPECT_TRUE(log.contains("could not write the settings to " + target));
}

TEST_F(PanelTransfer, AnImportOfSomethingThatHoldsNoSettingsChangesNothing)
{
    storeSettings();
    controller();
    const std::string garbage = dir_.file("garbage.plist"), list = dir_.file("list.plist");
    std::ofstream(garbage) << "this is no property list";
    ASSERT_TRUE(PropertyList::writeFile(list, PlistValue(PlistValue::Array{1, 2, 3})));
    const Snapshot before = snapshot();
    const auto stored = storedOnDisk();
    const auto visible = defaults_.dictionaryRepresentation();

    for (const std::string& path : {garbage, list, dir_.path().string()}) {
        SCOPED_TRACE(path);
        if (std::filesystem::is_directory(path)) {
            // The dialog does not accept a folder; the step after it must refuse one too.
            EXPECT_FALSE(controller().importSettingsFromFile(path));
        } else {
            importFrom(path);
        }
        answer(QString::fromStdString(path) + " holds no settings.\nNothing was changed.", "Ok");
        EXPECT_TRUE(before == snapshot());
        EXPECT_EQ(storedOnDisk(), stored);
        EXPECT_EQ(defaults_.dictionaryRepresentation(), visible);
    }
}
