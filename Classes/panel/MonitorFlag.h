#pragma once
// The small window that shows a display's number for three seconds, above
// every other window, without taking the keyboard focus. It closes and
// destroys itself; its opener keeps no reference.
#include <QWidget>

#include <cstdint>
#include <memory>

class QLabel;
namespace Ui {
class MonitorFlag;
}

class MonitorFlag : public QWidget {
    Q_OBJECT
public:
    static constexpr int kLifetimeMilliseconds = 3000;

    explicit MonitorFlag(QWidget* parent = nullptr);
    ~MonitorFlag() override;

    void SetFlag(int32_t number);
    QLabel* flagTextField() const;

private:
    std::unique_ptr<Ui::MonitorFlag> ui_;
};
