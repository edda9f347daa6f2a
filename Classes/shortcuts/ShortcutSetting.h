#pragma once
// The shortcut editor window: edits the record of one key id in four groups
// (key chord, mouse action, function, program to open). While it is open it
// captures every key press of the application. Each opening is a new window,
// destroyed when it closes; the opener keeps no reference.
#include "ShortcutEditorValues.h"

#include <QWidget>
#include <cstdint>
#include <memory>
#include <vector>

class Configure;
class QAbstractButton;
class QButtonGroup;
class QKeyEvent;

namespace Ui {
class ShortcutSetting;
}

class ShortcutSetting : public QWidget, public ShortcutEditorValues {
    Q_OBJECT
public:
    // Posted after Apply has stored the record.
    static constexpr const char* UpdateSettings = "UpdateSettings";
    // Names of the failure alerts.
    static constexpr const char* kReadFailed = "Failed to read shortcut Settings";
    static constexpr const char* kWriteFailed = "Shortcut setting failed";
    // The most key names a chord holds.
    static constexpr int kMaxKeys = 18;

    // store: where the record is read from and written to; null: the process's store.
    explicit ShortcutSetting(Configure* store = nullptr, QWidget* parent = nullptr);
    ~ShortcutSetting() override;

    // Loads the record of a key id; called by the opener right after show().
    void setKeyId(int64_t keyId);

    // The window's actions; a sender is the control that sent it.
    void keyDown(const QKeyEvent& event);
    void clearKeyGroupButton();
    void setShortcutButton();
    void mouseSettingRadio(const QAbstractButton* sender);
    void changeFunction(const QAbstractButton* sender);
    void browserFile();
    void enableKeyboardAction(const QAbstractButton* sender);
    void enableMouseFuncAction(const QAbstractButton* sender);
    void enableFuncAction(const QAbstractButton* sender);
    void enableRunAction(const QAbstractButton* sender);
    void applyButton();
    void cancelButton();

    // ShortcutEditorValues: what the store reads and fills.
    int64_t keyId() const override;
    std::optional<std::string> mouseEvent() const override;
    void setMouseEvent(const std::optional<std::string>& command) override;
    std::optional<std::string> functionEvent() const override;
    void setFunctionEvent(const std::optional<std::string>& command) override;
    std::optional<std::string> keyboardEvent() const override;
    void setKeyboardEvent(const std::optional<std::string>& names) override;
    std::optional<std::string> shortcutEvent() const override;
    void setShortcutEvent(const std::optional<std::string>& prefix) override;
    std::string shortcutText() const override;
    void setShortcutText(const std::string& text) override;
    std::string filePath() const override;
    void setFilePath(const std::string& path) override;
    int32_t enableKeyboardState() const override;
    void setEnableKeyboardState(int32_t state) override;
    int32_t enableMouseEventState() const override;
    void setEnableMouseEventState(int32_t state) override;
    int32_t enableRunEventState() const override;
    void setEnableRunEventState(int32_t state) override;
    int32_t enableFuncEventState() const override;
    void setEnableFuncEventState(int32_t state) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    Configure& store() const;
    // A dialog of the editor (the program chooser, an alert) is up.
    bool ownDialogIsOpen() const;
    void connectControls();
    // Rebuilds shortcutEvent from the modifier checkboxes.
    void buildModifierPrefix();
    void showChord();
    void alert(const QString& message);
    // Selects the radios of a group whose words the command holds, then sends
    // the group's action from each, in order.
    void selectRadios(QButtonGroup& group, const std::optional<std::string>& command,
                      const std::vector<const char*>& words, void (ShortcutSetting::*action)(const QAbstractButton*));

    std::unique_ptr<Ui::ShortcutSetting> ui_;
    Configure* store_ = nullptr;
    QButtonGroup* mouseRadios_ = nullptr;
    QButtonGroup* functionRadios_ = nullptr;
    int64_t keyId_ = 0;
    std::optional<std::string> shortcutEvent_;
    std::optional<std::string> keyboardEvent_;
    std::optional<std::string> mouseEvent_;
    std::optional<std::string> functionEvent_;
    bool kEvent_ = false; // the application-wide key capture is installed
};
