#pragma once
// A display layout given by the test: bounds in display space, main display
// first. A display with the bounds of an earlier one mirrors it, as on Qt.
// Pictures are the ones the test sets.
#include "DisplayService.h"

#include <map>
#include <mutex>

class FixedDisplayService : public DisplayService {
public:
    explicit FixedDisplayService(std::vector<Rect> bounds = {Rect(0, 0, 1920, 1080)});

    // Replaces the layout and posts the screen-parameters change, as a real replug does.
    void setLayout(std::vector<Rect> bounds);
    // What picture() answers for the display; a null image: none can be taken.
    void setPicture(DisplayID display, QImage picture);

    std::vector<DisplayID> activeDisplays(size_t maxDisplays = 32) const override;
    DisplayID mainDisplay() const override;
    Rect bounds(DisplayID display) const override;
    DisplayID mirrorOf(DisplayID display) const override;
    std::string productName(DisplayID display) const override;
    // The product name stands in for the model the display reports.
    std::string modelName(DisplayID display) const override;
    QImage picture(DisplayID display) const override;

private:
    mutable std::mutex mutex_;
    std::vector<Rect> bounds_;
    std::map<DisplayID, QImage> pictures_;
    DisplayID firstId_ = 1; // ids change with each layout, as new displays get new ids
};
