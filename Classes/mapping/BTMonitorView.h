#pragma once
// The map of the selected display and of the tablet, each with its mapped
// area, joined by dashed lines between corresponding corners. The areas are
// moved by dragging inside them and resized by their edges; every draw writes
// both areas into the driver's settings record and has the driver re-read them.
//
// Geometry is kept in view coordinates growing upward; the widget flips once,
// where it paints and where it reads an event's position.
#include "BTDriverManager.h"
#include "BTMouseResponder.h"
#include "BTMouseRouter.h"
#include "BTViewInfo.h"
#include "Geometry.h"

#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>

class BTScreenManager;
class QPainter;
class QTimer;

class BTMonitorView : public QWidget, public BTMouseResponder {
    Q_OBJECT
public:
    explicit BTMonitorView(QWidget* parent = nullptr);
    ~BTMonitorView() override;

    // The record the areas are read from on the first draw and written to on
    // every draw; set before the first draw. With none, only the tablet
    // picture is drawn.
    BTDriverManager::_settings* _tabletSettings = nullptr;
    // Told of every change of the mapped tablet area made with the mouse,
    // with getTabletOffset().
    std::function<void(const Rect&)> _updateTabletOffset;

    // The driver asked to re-read the areas (and whose screen manager takes
    // the rotation); null: the process's driver.
    void setDriver(BTDriverManager* driver);

    // Rotation at start-up, in degrees (0, 90, 180 or 270): the tablet picture
    // and its rectangle, leaving the stored area for the first draw to read.
    void initTabletRotate(double degrees);
    // Rotation chosen by the user: the tablet area becomes the whole tablet.
    void setTabletRotate(double degrees);
    // true: the tablet area becomes the whole tablet; false: the largest area
    // of the screen area's proportions, centred.
    void setForceAspect(bool force);
    // The screen area becomes the whole display.
    void setFullScreen();
    // Shows display `index` (one past the last: all of them) with the whole
    // display as its area, and hands that to the driver at once.
    void selectMonitorIndex(int32_t index);
    // The same choice made when the settings load: the stored screen area is
    // kept when it lies on that display (a saved area survives a restart or an
    // import), and becomes the whole display only when it does not.
    void restoreMonitorIndex(int32_t index);
    // Places the tablet area by fractions of the tablet rectangle:
    // {left, up, width, height}. Not clamped.
    void adjustTabletOffset(const Rect& fractions);
    // The numbers of the panel's offset fields: {left, up, right, down}.
    Rect getTabletOffset() const;
    // Gives the tablet area this size in tablet units per picture point
    // (see setForceAspect), centred in the tablet rectangle.
    void resizeTabletArea(Size size);

    // While on, the display picture is taken again every 2 seconds.
    bool showScreen() const;
    void setShowScreen(bool on);
    bool isActive() const override;
    void setIsActive(bool on);

    // The two edited areas, for the panel's tests and this view's.
    const BTViewInfo& monitorViewInfo() const { return _monitorViewInfo; }
    const BTViewInfo& tabletViewInfo() const { return _tabletViewInfo; }
    int32_t rotationIndex() const { return _rotationIndex; }
    int32_t monitorIndex() const { return _monitorIndex; }
    // Where the tablet's active area lies in the view at a rotation index (0-3).
    static Rect tabletRect(int32_t rotationIndex);

    // The handlers, in view coordinates (y up).
    void mouseDown(const BTMouseEvent& event) override;
    void mouseUp(const BTMouseEvent& event) override;
    void logEvent(const BTMouseEvent& event, const char* type) override;
    // Moves an area being moved by the pointer's step, unless that would take
    // it out of its picture rectangle.
    void drawLineWithEvent(const BTMouseEvent& event) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void drawRect(QPainter& painter);
    void clearDisplay(QPainter& painter);
    // The screen and tablet sides: first-draw reading of the stored area,
    // write-back, drawing (with a painter).
    void monitorUpdate(QPainter* painter);
    void tabletUpdate(QPainter* painter);
    void updateLine(QPainter& painter);
    void drawAreas(QPainter& painter, const BTViewInfo& info, double rectAlpha);
    bool applyRotation(double degrees);
    void refreshScreenImage();
    Rect visibleRect() const;
    BTDriverManager& driver() const;
    BTScreenManager* screenManager() const;

    BTViewInfo _monitorViewInfo;
    BTViewInfo _tabletViewInfo;
    int32_t _rotationIndex = 0;
    int32_t _monitorIndex = 0;
    // 0: the next draw reads that area from the settings record.
    int32_t flushMonitorCount = 0;
    int32_t flushTabletCount = 0;
    bool showScreen_ = true;
    bool isActive_ = true;
    BTDriverManager* driver_ = nullptr;
    QTimer* screenTimer_ = nullptr;
    BTMouseRouter router_{*this, *this};
};
