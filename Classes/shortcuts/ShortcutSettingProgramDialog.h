#pragma once
// The editor's chooser of the program a key opens: starts in the home folder,
// one item, window-modal on the editor. On Linux the programs are executable
// files and ".desktop" entries, so those are offered first ("All files" is
// the second filter); a folder can be chosen too (it is opened in the file
// manager), by selecting it and pressing Open; double-clicking still enters it.
#include <QFileDialog>

class QSortFilterProxyModel;

class ShortcutSettingProgramDialog : public QFileDialog {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Selelct shell program";
    // Both let every name through; the proxy model picks the programs. The
    // patterns are not shown.
    static constexpr const char* kProgramsFilter = "Programs (*)";
    static constexpr const char* kAllFilesFilter = "All files (*)";

    explicit ShortcutSettingProgramDialog(QWidget* editor);

public slots:
    void accept() override;

private:
    void filterChanged(const QString& filter);

    QSortFilterProxyModel* programs_ = nullptr;
};
