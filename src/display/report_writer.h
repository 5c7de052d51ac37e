#pragma once

#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace tv {

// Writes a display's report files on a thread of its own, so that a slow or
// full disk never holds up the screen. Each file is written whole beside its
// place and renamed over it: a sync tool carrying the folder home never
// takes half a file. Of the writes asked for one file while an earlier one
// waits, only the latest is made.
class ReportWriter final : public QObject {
    Q_OBJECT
public:
    explicit ReportWriter(QString folder, QObject* parent = nullptr);
    // Finishes the write under way, drops those waiting and joins the thread.
    ~ReportWriter() override;

    const QString& folder() const { return folder_; }
    // Asks for `name` in the folder to hold `bytes`.
    void replace(const QString& name, QByteArray bytes);
    // The free space of the folder's file system after the last write; -1
    // before the first.
    qint64 diskFreeBytes() const { return diskFree_; }
    // Blocks until every write asked for is made. For tests.
    void flush();

signals:
    // A write failed, or works again after failing (`why` empty); told once
    // per change, on the thread of this object.
    void trouble(const QString& why);

private:
    void run();

    const QString folder_;
    std::atomic<qint64> diskFree_{-1};

    // Guarded by mutex_: the writes waiting, whether one is under way, and
    // whether the thread is to end.
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    QMap<QString, QByteArray> waiting_;
    bool writing_ = false;
    bool quit_ = false;
    QString lastTrouble_; // touched by the writing thread only

    std::thread thread_; // last: started once everything above is set
};

} // namespace tv
