#pragma once
// The tips window: for three seconds, at the top centre of a display, the key
// row with the pressed key marked and what its shortcut does. Each press opens
// a new window, destroyed when it closes; the opener keeps no reference.
#include "Geometry.h"

#include <QPixmap>
#include <QWidget>
#include <cstdint>
#include <memory>

class Configure;

namespace Ui {
class ShowShoutcut;
}

class ShowShoutcut : public QWidget {
    Q_OBJECT
public:
    static constexpr double kOpacity = 0.8;
    static constexpr int kLifetimeMs = 3000;
    // Gap between the window's top edge and the display's.
    static constexpr double kTopMargin = 10;

    // store: where the key's command is read; null: the process's store.
    explicit ShowShoutcut(Configure* store = nullptr, QWidget* parent = nullptr);
    ~ShowShoutcut() override;

    // The frame of the display to show on, window-system coordinates (y up).
    void setScreenSize(const Rect& frame);
    Rect screenSize() const;
    // Places the window and shows the pieces of that key.
    void setId(int32_t keyId);

    // The tablet's key row with key keyId (0 to 4) lit, ":/keyrow/keyrow-<id>.png";
    // a null picture for another id. Registers the pictures on first use.
    static QPixmap keyRowPicture(int keyId);

    // The content: its direct children tagged with a key id are that key's pieces.
    QWidget* view();

    // The window's origin (lower-left corner, window-system coordinates):
    // centred on the display, its top edge kTopMargin below the display's,
    // each coordinate rounded to single precision.
    static Point windowOrigin(const Rect& screen, const Size& window);

private:
    std::unique_ptr<Ui::ShowShoutcut> ui_;
    Configure* store_ = nullptr;
    Rect screenSize_;
};
