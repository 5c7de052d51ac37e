#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimeZone>

#include <memory>
#include <optional>

class QSocketNotifier;

namespace tv {

// What a display knows of the system's clock of the calendar: the instant
// (milliseconds since 1970 UTC), whether the kernel keeps it in step with a
// time server, and an alarm that rings at an instant by it. A schedule
// follows it; tests hand in one of their own.
class WallClock : public QObject {
    Q_OBJECT
public:
    struct Sync {
        bool synchronised = true;
        qint64 maxErrorUs = 0; // the kernel's bound on the clock's error
    };

    virtual qint64 nowMs() const = 0;
    virtual Sync sync() const = 0;
    // Rings once when the clock reaches `atMs`; none: never. A clock that is
    // set meanwhile (stepped by hand or by a time server) rings at once, so
    // that whoever armed it looks again.
    virtual void ringAt(std::optional<qint64> atMs) = 0;
    // The zone the system keeps local time in now. The clock rings when it
    // changes.
    virtual QTimeZone localZone() const = 0;

signals:
    void rang();
};

// The system's own: CLOCK_REALTIME, adjtimex(2), and a timerfd armed for the
// instant, cancelled when the clock is set. The zone's files in /etc are
// watched: setting the zone replaces them.
class SystemWallClock final : public WallClock {
    Q_OBJECT
public:
    explicit SystemWallClock(QObject* parent = nullptr);
    ~SystemWallClock() override;

    qint64 nowMs() const override;
    Sync sync() const override;
    void ringAt(std::optional<qint64> atMs) override;
    QTimeZone localZone() const override;

private:
    void ready();
    void zoneFilesChanged();

    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::optional<qint64> armedAt_;
    QFileSystemWatcher zoneFiles_;
    QByteArray zoneId_;
};

} // namespace tv
