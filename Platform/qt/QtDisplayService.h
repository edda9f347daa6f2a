#pragma once
// Displays from Qt's QScreen list; the primary screen comes first.
#include "DisplayService.h"

#include <QObject>

class QScreen;

class QtDisplayService : public QObject, public DisplayService {
    Q_OBJECT
public:
    QtDisplayService();

    std::vector<DisplayID> activeDisplays(size_t maxDisplays = 32) const override;
    DisplayID mainDisplay() const override;
    Rect bounds(DisplayID display) const override;
    DisplayID mirrorOf(DisplayID display) const override;
    std::string productName(DisplayID display) const override;
    std::string modelName(DisplayID display) const override;
    // Grabs the whole screen (window 0) on the calling thread, the main one.
    QImage picture(DisplayID display) const override;

private:
    QScreen* screen(DisplayID display) const;
    void watch(QScreen* screen);
    void changed();
};
