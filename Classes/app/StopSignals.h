#pragma once
// SIGINT and SIGTERM as an event of the main loop, read from a descriptor
// rather than handled inside a signal handler.
#include <QObject>
#include <QSocketNotifier>

#include <memory>

class StopSignals : public QObject {
    Q_OBJECT
public:
    // Blocks both signals in the calling thread and every thread it starts
    // later: call first in main, before Qt or the driver start threads.
    static void block();

    explicit StopSignals(QObject* parent = nullptr);
    ~StopSignals() override;

signals:
    void received(int signal);

private:
    int descriptor_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};
