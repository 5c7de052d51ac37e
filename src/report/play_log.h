#pragma once

#include "report/play_line.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTimeZone>

namespace tv {

// The proof of play: plays/YYYY-MM-DD.tsv in a display's report folder, one
// line per item shown, the day by the display's own zone. Used from one
// thread; every failure is a reason returned, and the display goes on.
class PlayLog {
public:
    // A show of ten windows switching every 5 s writes about 173,000 lines
    // a day, of 150 bytes with short names and 300 with long ones: 26 to
    // 52 MB. A day holds that with room; beyond it lines are counted, not
    // written, so a runaway show cannot fill the disk.
    static constexpr qint64 kMaxDayBytes = qint64(96) << 20;
    // All days together: 20 days of the busiest show, a year or more of a
    // usual one (a few thousand lines a day), and small beside the storage
    // of the smallest display machine. The desk keeps its own copy of
    // everything synced, so the display need only hold what waits to be
    // carried home.
    static constexpr qint64 kMaxTotalBytes = qint64(512) << 20;
    // Longer than a year, so a year's report can be made from the display's
    // own folder even after the desk's copy was lost.
    static constexpr int kKeepDays = 400;

    PlayLog(const QString& reportFolder, const QTimeZone& zone);
    ~PlayLog();
    PlayLog(const PlayLog&) = delete;
    PlayLog& operator=(const PlayLog&) = delete;

    // Writes the record's line to the day file of its start, with one
    // write(2): a display killed at any moment loses at most that line. Empty
    // when it was written; else why not. A day file full to kMaxDayBytes says
    // so once, and its further lines are only counted.
    QString append(const PlayRecord& record);
    // Lines of the day now open that were not written because it was full.
    qint64 droppedLines() const { return dropped_; }

    // Removes the day files more than kKeepDays before `today`, then the
    // oldest while all of them together exceed kMaxTotalBytes; never today's
    // nor the one open. Only regular files named YYYY-MM-DD.tsv count: what
    // the display did not write is neither removed nor counted. The names
    // removed; `why` says what could not be looked at or removed.
    QStringList prune(QDate today, QString* why = nullptr);

private:
    QString openDay(QDate day);

    QString folder_;
    QTimeZone zone_;
    QDate day_;   // of the file open
    int fd_ = -1; // the day file, open for appending
    qint64 bytes_ = 0;
    bool cutLine_ = false; // the file does not end in a newline
    qint64 dropped_ = 0;
    bool fullTold_ = false;
};

// The day file of `day`: "2026-12-08.tsv".
QString playDayFileName(QDate day);
// The day of "YYYY-MM-DD" (a day file's name without ".tsv", or a date the
// user typed); invalid when the text is anything else.
QDate dayOfText(const QString& text);

// The records of one day file, in their order; a last line without its
// newline, and lines that are not records, are left out. Only a regular file
// no longer than kMaxDayBytes is read, never through a link; `why` says why
// it was not.
QList<PlayRecord> readPlays(const QString& path, QString* why = nullptr);
QList<PlayRecord> readPlaysAt(int folderFd, const QString& name, QString* why);

} // namespace tv
