// Settings in and out of the program: export of the whole defaults view to a
// property list, import by registering a file's values for this run, and the
// return to the defaults. Dialogs and alerts are window-modal on the panel.
#include "BTPanelViewController.h"

#include "BTDriverManager.h"
#include "BTPanelView.h"
#include "PropertyList.h"
#include "SystemLog.h"
#include "UserDefaults.h"
#include "ui_Panel.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace {

constexpr int kFirstButton = 1000; // an alert's buttons answer 1000, 1001, ...

QFileDialog* fileDialog(QWidget* parent, const QString& message)
{
    auto* dialog = new QFileDialog(parent, message, QDir::homePath());
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    return dialog;
}

} // namespace

QMessageBox* BTPanelViewController::alert(const QString& text, const QStringList& buttons,
                                          std::function<void(int response)> done)
{
    auto* box = new QMessageBox(window());
    box->setIcon(QMessageBox::Information);
    box->setText(text);
    box->setWindowModality(Qt::WindowModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QList<QAbstractButton*> added;
    for (qsizetype i = 0; i < buttons.size(); ++i)
        added.append(box->addButton(buttons[i], i == 0 ? QMessageBox::AcceptRole : QMessageBox::RejectRole));
    if (!added.isEmpty()) {
        box->setDefaultButton(qobject_cast<QPushButton*>(added.first()));
        box->setEscapeButton(added.last());
    }
    connect(box, &QDialog::finished, this, [box, added, done = std::move(done)] {
        const qsizetype index = added.indexOf(box->clickedButton());
        if (done && index >= 0) done(kFirstButton + static_cast<int>(index));
    });
    box->open();
    return box;
}

void BTPanelViewController::exportSettings(QObject*)
{
    QFileDialog* dialog = fileDialog(window(), QStringLiteral("Export settings"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setNameFilters({QStringLiteral("Property lists (*.plist)"), QStringLiteral("All files (*)")});
    dialog->setDefaultSuffix(QStringLiteral("plist"));
    dialog->selectFile(QStringLiteral("Brevola export settings"));
    connect(dialog, &QDialog::finished, this, [this, dialog](int result) {
        const QStringList chosen = dialog->selectedFiles();
        if (result != QDialog::Accepted || chosen.isEmpty()) return;
        if (exportSettingsToFile(chosen.first().toStdString()))
            alert(QStringLiteral("Exported"), {QStringLiteral("Ok")}, {});
    });
    dialog->open();
}

bool BTPanelViewController::exportSettingsToFile(const std::string& path)
{
    // Written beside the target and renamed over it: a failure leaves no partial file.
    if (PropertyList::writeFile(path, PlistValue(defaults().dictionaryRepresentation()))) return true;
    BTLogWarn("-[BTPanelViewController exportSettings:]", "could not write the settings to %s", path.c_str());
    return false;
}

void BTPanelViewController::importSettings(QObject*)
{
    QFileDialog* dialog = fileDialog(window(), QStringLiteral("Import setting"));
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setNameFilter(QStringLiteral("Property lists (*.plist)"));
    connect(dialog, &QDialog::finished, this, [this, dialog](int result) {
        const QStringList chosen = dialog->selectedFiles();
        if (result != QDialog::Accepted || chosen.isEmpty()) return;
        const std::string path = chosen.first().toStdString();
        alert(QStringLiteral("The information you set will lost!\nConfirm the import?"),
              {QStringLiteral("Yes"), QStringLiteral("No")}, [this, path](int response) {
                  if (response == kFirstButton) importSettingsFromFile(path);
              });
    });
    dialog->open();
}

bool BTPanelViewController::importSettingsFromFile(const std::string& path)
{
    // Without a dictionary there is nothing to fall back on: stop before the
    // stored settings are cleared.
    const auto value = PropertyList::readFile(path);
    if (!value || !value->isDictionary()) {
        BTLogWarn("-[BTPanelViewController importSettings:]", "%s holds no settings; nothing imported", path.c_str());
        alert(QStringLiteral("%1 holds no settings.\nNothing was changed.").arg(QString::fromStdString(path)),
              {QStringLiteral("Ok")}, {});
        return false;
    }
    // Registered for this run only: they become stored values at the next Apply.
    defaults().registerDefaults(*value->dictionary());
    reloadAfterClear();
    return true;
}

void BTPanelViewController::defaultSettings(QObject*)
{
    alert(QStringLiteral("The information you set will lost!\nConfirm the default setting?\nRestore setting?"),
          {QStringLiteral("Yes"), QStringLiteral("No")}, [this](int response) {
              if (response == kFirstButton) reloadAfterClear();
          });
}

void BTPanelViewController::reloadAfterClear()
{
    driver().clearConfig();
    driver().initConfig();
    if (window_) initConfig();
}
