#pragma once
// What the snapshot programs share: the offscreen platform, the output folder
// from the command line, a defaults store that is thrown away, letting the
// event loop run, a made-up desktop for display pictures, and saving.
#include "MainQueue.h"
#include "UserDefaults.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

class Snapshot {
public:
    Snapshot(int& argc, char** argv)
        : offscreen_((setenv("QT_QPA_PLATFORM", "offscreen", 1), true)), app_(argc, argv),
          ready_(argc == 2), out_(ready_ ? QString::fromLocal8Bit(argv[1]) : QString())
    {
        if (argc != 2) std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
    }

    // False (after the usage line) when no output folder was given.
    bool ready() const { return ready_; }
    QString path(const QString& name) const { return out_.filePath(name); }
    UserDefaults& defaults() { return defaults_; }

    // Runs the main queue and the event loop for a while.
    static void settle(int milliseconds)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < milliseconds) {
            MainQueue::drain();
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        }
    }

    // A desktop to stand for a display's picture: a sky, a top bar, two windows.
    static QImage desktop(int width, int height)
    {
        QImage image(width, height, QImage::Format_RGB32);
        QPainter p(&image);
        QLinearGradient sky(0, 0, width, height);
        sky.setColorAt(0, QColor(0x2f, 0x5d, 0x8a));
        sky.setColorAt(1, QColor(0x8a, 0xb6, 0xd6));
        p.fillRect(image.rect(), sky);
        p.fillRect(0, 0, width, height / 36, QColor(0x20, 0x22, 0x26));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xf4, 0xf4, 0xf4));
        p.drawRoundedRect(QRectF(width * 0.12, height * 0.16, width * 0.46, height * 0.56), 12, 12);
        p.setBrush(QColor(0xe2, 0xe6, 0xea));
        p.drawRoundedRect(QRectF(width * 0.52, height * 0.34, width * 0.36, height * 0.46), 12, 12);
        return image;
    }

    bool save(const QImage& image, const QString& name) const
    {
        const QString file = path(name);
        if (image.save(file)) return true;
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return false;
    }

private:
    bool offscreen_; // set before the application starts
    QApplication app_;
    bool ready_;
    QDir out_;
    QTemporaryDir scratch_;
    UserDefaults defaults_{scratch_.filePath(QStringLiteral("defaults.plist")).toStdString()};
};
