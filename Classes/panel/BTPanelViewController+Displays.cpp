// The display list: one row per display and, with two or more, a last row
// for all displays together; choosing a row points the driver, the screen
// manager and the map view at it.
#include "BTPanelViewController.h"

#include "BTDriverManager.h"
#include "BTMonitorView.h"
#include "BTScreenManager.h"
#include "MonitorFlag.h"
#include "PlatformServices.h"
#include "SafeAccess.h"
#include "ScreenAdditions.h"
#include "SystemLog.h"
#include "WindowFrame.h"
#include "ui_Panel.h"

#include <QSignalBlocker>

namespace {

std::vector<DisplayID> displayList()
{
    const DisplayService* displays = Platform::services().displays;
    return displays ? displays->activeDisplays() : std::vector<DisplayID>();
}

// Row i's rectangle: a display's frame, or (last row) the bounds of all
// displays together in display space, as the driver keeps them for that row.
Rect rowRect(int index, const std::vector<DisplayID>& list)
{
    const int n = static_cast<int>(list.size());
    if (n >= 2 && index == n) return allScreenSize();
    const DisplayID* display = index < 0 ? nullptr : safeObjectAtIndex(list, static_cast<size_t>(index));
    return display ? screenSize(*display) : Rect();
}

} // namespace

QString BTPanelViewController::displayRowText(int index, int displayCount)
{
    const Rect r = rowRect(index, displayList());
    // Truncated toward zero, as the platform's integer conversion does.
    const int width = static_cast<int>(r.width());
    const int height = static_cast<int>(r.height());
    if (index == 0) return QString::asprintf("Display%ld:W:%d:H:%d(Main)", 1L, width, height);
    if (displayCount >= 2 && index == displayCount) return QString::asprintf("All screens:W:%d:H:%d", width, height);
    return QString::asprintf("Display%ld:W:%d:H:%d", static_cast<long>(index) + 1, width, height);
}

int BTPanelViewController::numberOfItemsInComboBox(QComboBox*) const
{
    const int n = static_cast<int>(displayList().size());
    return n < 2 ? n : n + 1;
}

QString BTPanelViewController::comboBox(QComboBox* combo, int index)
{
    const QString text = displayRowText(index, static_cast<int>(displayList().size()));
    // Only the row being selected moves the mapping: listing the others (the
    // whole list is shown when it opens) must not.
    if (combo && index == combo->currentIndex()) applyDisplayRow(index);
    return text;
}

void BTPanelViewController::applyDisplayRow(int index)
{
    if (iniConfigStatus_) driver().setScreenArea(rowRect(index, displayList()));
    driver().setDisplayId(index);
}

void BTPanelViewController::comboBoxSelectionDidChange()
{
    const int index = std::max(0, selectedDisplayRow());
    const auto list = displayList();
    const DisplayID* display = safeObjectAtIndex(list, static_cast<size_t>(index));
    driver().setDisplayId(index);
    screens().setTargetScreen(display ? *display : 0); // none: all displays
    // While the settings load, the stored screen area stays; a choice of the
    // user's (or a display switch) maps the whole display.
    if (iniConfigStatus_)
        ui_->monitorView->selectMonitorIndex(index);
    else
        ui_->monitorView->restoreMonitorIndex(index);
}

int BTPanelViewController::selectedDisplayRow() const
{
    return window_ ? ui_->displaysCombo->currentIndex() : -1;
}

void BTPanelViewController::reloadDisplayList()
{
    if (!window_) return;
    QComboBox* combo = ui_->displaysCombo;
    const int selected = combo->currentIndex();
    const int rows = numberOfItemsInComboBox(combo);
    const int displays = static_cast<int>(displayList().size());
    {
        const QSignalBlocker quiet(combo);
        combo->clear();
        for (int i = 0; i < rows; ++i) combo->addItem(displayRowText(i, displays));
        combo->setCurrentIndex(selected < rows ? selected : -1);
    }
    // Loading selects its row itself; later, a row that went away gives way to the main display.
    if (iniConfigStatus_ && selected >= rows && rows > 0) {
        BTLogWarn("-[BTPanelViewController reloadDisplayList]", "display row %d is gone; using display 1", selected);
        combo->setCurrentIndex(0);
    }
}

void BTPanelViewController::selectDisplayRow(int row)
{
    QComboBox* combo = ui_->displaysCombo;
    const int rows = combo->count();
    if ((row < 0 || row >= rows) && rows > 0) {
        // A display that was unplugged since it was chosen.
        BTLogWarn("-[BTPanelViewController initConfig]", "stored display %d is not attached; using display 1", row);
        row = 0;
    }
    const QSignalBlocker quiet(combo);
    combo->setCurrentIndex(row);
}

void BTPanelViewController::didChangeMonitor()
{
    onMainQueue([this] { selectNextDisplay(); });
}

void BTPanelViewController::selectNextDisplay()
{
    if (!window_) return;
    const int n = static_cast<int>(displayList().size());
    if (n < 2) return;
    const int selected = selectedDisplayRow();
    // Through the single displays, never to the all-displays row.
    ui_->displaysCombo->setCurrentIndex(selected >= n - 1 ? 0 : selected + 1);
}

void BTPanelViewController::showMonitorFlag(QObject*)
{
    const auto list = displayList();
    for (size_t i = 0; i < list.size(); ++i) {
        auto* flag = new MonitorFlag; // closes itself after three seconds
        flag->show();
        // Its lower-left corner on the display's centre.
        const Rect display = screenSize(list[i]);
        WindowFrame::setFrameOrigin(flag, {display.x() + display.width() / 2, display.y() + display.height() / 2});
        flag->SetFlag(static_cast<int32_t>(i) + 1);
    }
}
