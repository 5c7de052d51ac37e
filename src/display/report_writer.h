#pragma once

#include "report/play_line.h"

#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QString>
#include <QTimeZone>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace tv {

class PlayLog;

// Writes a display's report files on a thread of its own, so that a slow or
// full disk never holds up the screen. Each file is written whole beside its
// place and renamed over it: a sync tool carrying the folder home never
// takes half a file. Of the writes asked for one file while an earlier one
// waits, only the latest is made. Plays are appended to the day files of the
// proof of play, at most kPlaysWaiting waiting at once; the day files are
// pruned once a day.
class ReportWriter final : public QObject {
    Q_OBJECT
public:
    // Plays are filed by their day in `zone`.
    ReportWriter(QString folder, QTimeZone zone, QObject* parent = nullptr);
    // Finishes the write under way and the plays waiting, drops the files
    // waiting, and joins the thread.
    ~ReportWriter() override;

    const QString& folder() const { return folder_; }
    // Asks for `name` in the folder (or at `name`, an absolute path) to hold
    // `bytes`.
    void replace(const QString& name, QByteArray bytes);
    // Asks for a play to be recorded. One that finds kPlaysWaiting waiting
    // is counted and dropped, and told.
    void appendPlay(PlayRecord play);
    static constexpr int kPlaysWaiting = 10'000;
    // The free space of the folder's file system after the last write; -1
    // before the first.
    qint64 diskFreeBytes() const { return diskFree_; }
    // Blocks until every write asked for is made. For tests.
    void flush();

signals:
    // A write failed, or works again after failing (`why` empty); told once
    // per change, on the thread of this object.
    void trouble(const QString& why);
    // Day files of plays were removed to keep within the bounds.
    void pruned(const QStringList& names);

private:
    void run();

    void record(PlayLog& plays, const PlayRecord& play, qint64 dropped);

    const QString folder_;
    const QTimeZone zone_;
    std::atomic<qint64> diskFree_{-1};

    // Guarded by mutex_: the writes waiting, whether one is under way, and
    // whether the thread is to end.
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    QMap<QString, QByteArray> waiting_;
    std::deque<PlayRecord> plays_;
    qint64 playsDropped_ = 0;
    bool writing_ = false;
    bool quit_ = false;
    // Touched by the writing thread only.
    QString lastTrouble_;
    QString lastPlayTrouble_;
    QDate prunedOn_;

    std::thread thread_; // last: started once everything above is set
};

} // namespace tv
