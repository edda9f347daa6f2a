#pragma once
// SIGINT and SIGTERM as an event of the main loop: the handler only writes the
// signal's number into a pipe, which the loop reads. Unlike blocking the
// signals, this leaves the programs the driver starts (shortcuts, the
// browser) with the usual signal mask.
#include <QObject>
#include <QSocketNotifier>

#include <memory>

class StopSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handler: call first in main. Signals that arrive before a
    // StopSignals object exists are told to it when it does.
    static void install();

    explicit StopSignals(QObject* parent = nullptr);
    ~StopSignals() override;

signals:
    void received(int signal);

private:
    std::unique_ptr<QSocketNotifier> notifier_;
};
