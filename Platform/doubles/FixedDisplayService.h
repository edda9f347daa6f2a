#pragma once
// A display layout given by the test: bounds in display space, main display first.
#include "DisplayService.h"

#include <mutex>

class FixedDisplayService : public DisplayService {
public:
    explicit FixedDisplayService(std::vector<Rect> bounds = {Rect(0, 0, 1920, 1080)});

    // Replaces the layout and posts the screen-parameters change, as a real replug does.
    void setLayout(std::vector<Rect> bounds);

    std::vector<DisplayID> activeDisplays(size_t maxDisplays = 32) const override;
    DisplayID mainDisplay() const override;
    Rect bounds(DisplayID display) const override;
    DisplayID mirrorOf(DisplayID display) const override;
    std::string productName(DisplayID display) const override;

private:
    mutable std::mutex mutex_;
    std::vector<Rect> bounds_;
    DisplayID firstId_ = 1; // ids change with each layout, as new displays get new ids
};
