#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QThread;

namespace tv {

// Watches a playing show's layout file and media folder on a thread of its
// own, so that no look at a file, on a share that hangs or not, ever holds up
// the show. File system events are followed, and a periodic look catches what
// a file system does not report (network shares); the look comes less often
// the longer listing the folder takes, so that a large folder costs little
// while nothing changes.
class ShowWatcher final : public QObject {
    Q_OBJECT
public:
    ShowWatcher(const QString& layoutPath, const QString& mediaFolder);
    // Stops the thread and joins it, after any look under way.
    ~ShowWatcher() override;

    static constexpr int kLookMs = 2000;

    // Runs `work` on the watcher's thread, after any look under way: work
    // that reads the disk belongs there too.
    void runOnThread(std::function<void()> work);

signals:
    // The layout file, or a file of the media folder, came, went or changed.
    void changed();

private:
    class Looker;
    std::unique_ptr<QThread> thread_;
    Looker* looker_; // lives on thread_, and goes there
};

} // namespace tv
