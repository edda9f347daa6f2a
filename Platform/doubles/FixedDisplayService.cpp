#include "FixedDisplayService.h"

#include "NotificationCenter.h"

FixedDisplayService::FixedDisplayService(std::vector<Rect> bounds) : bounds_(std::move(bounds)) {}

void FixedDisplayService::setLayout(std::vector<Rect> bounds)
{
    {
        std::lock_guard lock(mutex_);
        firstId_ += static_cast<DisplayID>(bounds_.size());
        bounds_ = std::move(bounds);
    }
    NotificationCenter::defaultCenter().postNotification(kScreenParametersDidChange);
}

std::vector<DisplayID> FixedDisplayService::activeDisplays(size_t maxDisplays) const
{
    std::lock_guard lock(mutex_);
    std::vector<DisplayID> ids;
    for (size_t i = 0; i < bounds_.size() && i < maxDisplays; ++i) ids.push_back(firstId_ + static_cast<DisplayID>(i));
    return ids;
}

DisplayID FixedDisplayService::mainDisplay() const
{
    std::lock_guard lock(mutex_);
    return bounds_.empty() ? 0 : firstId_;
}

Rect FixedDisplayService::bounds(DisplayID display) const
{
    std::lock_guard lock(mutex_);
    if (display < firstId_ || display - firstId_ >= bounds_.size()) return Rect();
    return bounds_[display - firstId_];
}

DisplayID FixedDisplayService::mirrorOf(DisplayID display) const
{
    std::lock_guard lock(mutex_);
    if (display < firstId_ || display - firstId_ >= bounds_.size()) return 0;
    const size_t index = display - firstId_;
    for (size_t i = 0; i < index; ++i)
        if (bounds_[i] == bounds_[index]) return firstId_ + static_cast<DisplayID>(i);
    return 0;
}

std::string FixedDisplayService::productName(DisplayID display) const
{
    return "Display " + std::to_string(display);
}

std::string FixedDisplayService::modelName(DisplayID display) const { return productName(display); }

void FixedDisplayService::setPicture(DisplayID display, QImage picture)
{
    std::lock_guard lock(mutex_);
    pictures_[display] = std::move(picture);
}

QImage FixedDisplayService::picture(DisplayID display) const
{
    std::lock_guard lock(mutex_);
    const auto found = pictures_.find(display);
    return found == pictures_.end() ? QImage() : found->second;
}
