#pragma once

#include <QObject>

class QSocketNotifier;

namespace tv {

// SIGTERM and SIGINT, turned into a signal on this object's thread, so that
// a show told to stop by its service manager or a terminal ends as Esc ends
// it, and says so in the log. Should this thread not answer within
// kAnswerSeconds, the default handling ends the program anyway.
class StopSignals final : public QObject {
    Q_OBJECT
public:
    explicit StopSignals(QObject* parent = nullptr);
    // Puts the default handling back and closes the pipe.
    ~StopSignals() override;

    static constexpr unsigned kAnswerSeconds = 3;

signals:
    // With the signal's name: "SIGTERM" or "SIGINT".
    void stopAsked(const QString& signalName);

private:
    void drain();
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace tv
