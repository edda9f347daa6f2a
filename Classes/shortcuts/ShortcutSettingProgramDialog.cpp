#include "ShortcutSettingProgramDialog.h"

#include <QDir>
#include <QFileSystemModel>
#include <QSortFilterProxyModel>

namespace {

// Folders (to walk through and to choose), executables and desktop entries;
// everything when "All files" is chosen.
class ProgramFilter : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    void setShowAll(bool all)
    {
        showAll_ = all;
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override
    {
        if (showAll_) return true;
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (!files) return true;
        const QFileInfo info = files->fileInfo(files->index(row, 0, parent));
        return info.isDir() || info.isExecutable() || info.suffix() == QLatin1String("desktop");
    }

private:
    bool showAll_ = false;
};

} // namespace

ShortcutSettingProgramDialog::ShortcutSettingProgramDialog(QWidget* editor)
    : QFileDialog(editor, QString::fromUtf8(kTitle), QDir::homePath())
{
    // Qt's own dialog: the platform's cannot filter by the executable bit nor be a sheet.
    setOption(QFileDialog::DontUseNativeDialog);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setFileMode(QFileDialog::ExistingFile);
    setAcceptMode(QFileDialog::AcceptOpen);
    setOption(QFileDialog::HideNameFilterDetails);

    auto* programs = new ProgramFilter(this);
    programs_ = programs;
    setProxyModel(programs);
    setNameFilters({QString::fromUtf8(kProgramsFilter), QString::fromUtf8(kAllFilesFilter)});
    connect(this, &QFileDialog::filterSelected, this, &ShortcutSettingProgramDialog::filterChanged);
}

void ShortcutSettingProgramDialog::filterChanged(const QString& filter)
{
    static_cast<ProgramFilter*>(programs_)->setShowAll(filter == QLatin1String(kAllFilesFilter));
}

void ShortcutSettingProgramDialog::accept()
{
    // A selected folder is the choice itself, not a place to go.
    const QStringList chosen = selectedFiles();
    if (chosen.size() == 1 && QFileInfo(chosen.first()).isDir()) {
        emit fileSelected(chosen.first());
        emit filesSelected(chosen);
        QDialog::accept();
        return;
    }
    QFileDialog::accept();
}
