#pragma once
// The map of the selected display and of the tablet, each with its mapped
// area, joined by dashed lines between corresponding corners. The areas are
// moved by dragging inside them and resized by their edges; every draw writes
// both areas into the driver's settings record and has the driver re-read them.
//
// Geometry is kept in view coordinates growing upward; the widget flips once,
// where it paints and where it reads an event's position.
#include "BTDriverManager.h"
#include "Geometry.h"

#include <QWidget>
#include <cstdint>
#include <functional>

class BTMonitorView : public QWidget {
    Q_OBJECT
public:
    explicit BTMonitorView(QWidget* parent = nullptr);
    ~BTMonitorView() override;

    // The record the areas are read from on the first draw and written to on
    // every draw; set before the first draw.
    BTDriverManager::_settings* _tabletSettings = nullptr;
    // Told of every change of the mapped tablet area, with getTabletOffset().
    std::function<void(const Rect&)> _updateTabletOffset;

    // The driver asked to re-read the areas (and whose screen manager takes
    // the rotation); null: the process's driver.
    void setDriver(BTDriverManager* driver);

    void initTabletRotate(double degrees);
    void setTabletRotate(double degrees);
    void setForceAspect(bool force);
    void setFullScreen();
    void selectMonitorIndex(int32_t index);
    void adjustTabletOffset(const Rect& fractions);
    Rect getTabletOffset() const;
    void resizeTabletArea(Size size);

    bool showScreen() const;
    void setShowScreen(bool on);
    bool isActive() const;
    void setIsActive(bool on);
};
