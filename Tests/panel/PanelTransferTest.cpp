// Import, export and reset through the panel's dialogs and alerts, answered
// the way a user would answer them.
#include "PanelFixture.h"
#include "PropertyList.h"

#include <QFileDialog>
#include <QMessageBox>

#include <fstream>

namespace K = DefaultsKeys;

class PanelTransfer : public PanelFixture {
protected:
    // Settings unlike the built-in ones, a shortcut document too, stored before the driver loads them.
    void SetUp() override
    {
        PanelFixture::SetUp();
        const PlistValue::Dictionary stored{
            {K::pressure, 0.75},    {K::pressureDeadZone, 0.25}, {K::smoothing, 7}, {K::rotation, 90},
            {K::enableMouse, true}, {K::enableShortcut, false},  {K::offset, PlistValue::Array{3.0, -2.0}},
            {K::tabletArea, PlistValue::Array{100.0, 200.0, 30000.0, 20000.0}},
            {K::shortcutSettings, R"({"0":{"enableKeyboard":1,"shortcutEvent":"Ctrl+","keyboardEvent":"Q "}})"}};
        for (const auto& [key, value] : stored) defaults_.setObject(value, key);
        shortcuts_.initConfig();
    }

    // Every setting the driver holds, to compare before and after.
    auto snapshot()
    {
        BTDriverManager& d = driver();
        const auto text = shortcuts_.text();
        return std::tuple(d.pressureDamping(), d.pressureDeadZone(), d.smoothingLevel(), d.tabletRotation(),
                          d.displayId(), d.enableMouse(), d.enableShourtcut(), d.cursorOffset(), d.screenArea(),
                          d.tabletArea(), text ? std::string(text->begin(), text->end()) : std::string());
    }

    // Clicks a button and answers the file dialog it opens on the panel with a path.
    void choose(const char* button, const std::string& path)
    {
        click(button);
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
        EXPECT_EQ(std::pair(box->text(), box->windowModality()), std::pair(text, Qt::WindowModal));
        for (QAbstractButton* b : box->buttons())
            if (b->text() == button) QTest::mouseClick(b, Qt::LeftButton);
        drain();
    }

    void importFrom(const std::string& path)
    {
        choose("importButton", path);
        answer("The information you set will lost!\nConfirm the import?", "Yes");
    }

    // What the store keeps on disk, apart from what is registered for the run.
    PlistValue::Dictionary storedOnDisk()
    {
        defaults_.synchronize();
        const auto file = PropertyList::readFile(defaults_.path());
        return file && file->isDictionary() ? *file->dictionary() : PlistValue::Dictionary();
    }
};

TEST_F(PanelTransfer, ExportThenImportKeepsEverySettingAndWhatHoldsNoSettingsChangesNothing)
{
    controller();
    const auto before = snapshot();
    // Into a folder that is not there: no alert, a line in the log.
    LogCapture log;
    choose("exportButton", dir_.file("missing/settings.plist"));
    EXPECT_EQ(shownAlert(), nullptr);
    EXPECT_TRUE(log.contains("could not write the settings to ") && log.contains("/missing/settings.plist"));

    choose("exportButton", dir_.file("settings")); // the dialog adds the file type
    answer("Exported", "Ok");
    const auto file = PropertyList::readFile(dir_.file("settings.plist"));
    ASSERT_TRUE(file && file->isDictionary());
    EXPECT_EQ(file->dictionary()->at(K::smoothing), PlistValue(7));
    importFrom(dir_.file("settings.plist"));
    EXPECT_TRUE(before == snapshot());

    const std::string garbage = dir_.file("garbage.plist"), list = dir_.file("list.plist");
    std::ofstream(garbage) << "this is no property list";
    ASSERT_TRUE(PropertyList::writeFile(list, PlistValue::Array{1, 2, 3}));
    const auto visible = defaults_.dictionaryRepresentation();
    for (const std::string& path : {garbage, list}) {
        importFrom(path);
        answer(QString::fromStdString(path) + " holds no settings.\nNothing was changed.", "Ok");
        EXPECT_TRUE(before == snapshot()) << path;
        EXPECT_EQ(defaults_.dictionaryRepresentation(), visible) << path;
    }
}

TEST_F(PanelTransfer, ImportedValuesHoldForTheRunStandInForMissingKeysAndComeBackOnReset)
{
    connectTablet();
    const std::string deadZone = dir_.file("a.plist"), nine = dir_.file("b.plist");
    ASSERT_TRUE(PropertyList::writeFile(deadZone, PlistValue::Dictionary{{K::pressureDeadZone, 0.375}}));
    ASSERT_TRUE(PropertyList::writeFile(
        nine, PlistValue::Dictionary{{K::smoothing, 9}, {K::offset, PlistValue::Array{5.0, 6.0}}}));
    importFrom(nine);
    EXPECT_EQ(std::tuple(driver().smoothingLevel(), outlet<QSlider>("smoothingSlider")->value(),
                         driver().pressureDeadZone()),
              std::tuple(9, 9, 0.0f)); // what the file lacks: the built-in
    UserDefaults empty(dir_.file("empty.plist")); // no shortcut document in the file: the built-in one
    EXPECT_EQ(shortcuts_.readShortcutForCmd(0), Configure(&empty).readShortcutForCmd(0));
    EXPECT_NE(shortcuts_.readShortcutForCmd(0), "Ctrl+Q;");
    // Registered for the run, not stored; the offset is stored at once.
    EXPECT_EQ(std::pair(storedOnDisk().count(K::smoothing), storedOnDisk().at(K::offset)),
              std::pair(size_t{0}, PlistValue(PlistValue::Array{5.0, 6.0})));
    importFrom(deadZone);
    importFrom(nine);
    EXPECT_FLOAT_EQ(driver().pressureDeadZone(), 0.375f); // registered earlier in the run

    // Reset after an apply brings back the imported values.
    outlet<QSlider>("smoothingSlider")->setValue(2);
    click("applyButton");
    ASSERT_EQ(storedOnDisk().at(K::smoothing), PlistValue(2));
    const QString confirm = "The information you set will lost!\nConfirm the default setting?\nRestore setting?";
    click("resetButton");
    answer(confirm, "No");
    EXPECT_EQ(driver().smoothingLevel(), 2);
    click("resetButton");
    answer(confirm, "Yes");
    EXPECT_EQ(std::pair(driver().smoothingLevel(), outlet<QSlider>("smoothingSlider")->value()), std::pair(9, 9));
    EXPECT_EQ(storedOnDisk().count(K::smoothing), 0u);
}
