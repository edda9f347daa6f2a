#pragma once
// The white pad the user tries the pen on: each drag segment is drawn at once
// in blue, its width and opacity following the pen pressure, and every mouse
// or pen event is logged with its tablet fields.
//
// The strokes live in the pad's own image, which paintEvent shows: a window
// passing over the pad or a new size leaves them, clearDisplay and showing the
// pad again (the panel opening) wipe them.
#include "BTMouseResponder.h"
#include "BTMouseRouter.h"
#include "Geometry.h"

#include <QImage>
#include <QWidget>

class BTTestPadView : public QWidget, public BTMouseResponder {
    Q_OBJECT
public:
    explicit BTTestPadView(QWidget* parent = nullptr);
    ~BTTestPadView() override;

    // Paints the whole pad white, forgetting every stroke.
    void clearDisplay();

    bool isActive() const override;
    void setIsActive(bool on);
    Point previousLocation() const;

    // The pad as it shows, strokes included, at the screen's pixel density.
    const QImage& image() const { return image_; }

    // The handlers, in view coordinates (y up); tests drive them directly.
    void mouseDown(const BTMouseEvent& event) override;
    void mouseUp(const BTMouseEvent& event) override;
    void logEvent(const BTMouseEvent& event, const char* type) override;
    // Draws the segment from previousLocation() to the event's point.
    void drawLineWithEvent(const BTMouseEvent& event) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void tabletEvent(QTabletEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    // The image at the pad's size and pixel density.
    void fitImage();

    bool isActive_ = true;
    Point previousLocation_;
    QImage image_;
    BTMouseRouter router_{*this, *this};
};
