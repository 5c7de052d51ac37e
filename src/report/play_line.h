#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

namespace tv {

// One item a display showed, as its proof-of-play line tells it.
struct PlayRecord {
    enum class Result { Shown, CutShort, Failed };

    QDateTime start, end;  // by the display's wall clock, with its UTC offset
    qint64 durationMs = 0; // by the monotonic clock: true even when the wall clock jumped
    QString showId;        // empty: a plain folder, not a published show
    int rule = -1;         // the schedule's line; -1: no rule
    QString layout;
    int window = 0; // 0: the video window; 1 to kPictureWindows: a picture window
    QString item;   // the media file's name
    QString sha256; // the first 16 hex digits of the item's SHA-256; empty when unknown
    Result result = Result::Shown;
    QString why; // for a failed or cut-short item

    static constexpr int kPictureWindows = 10;
};

// The first line of each day file: the columns' names, in their order.
QByteArray playHeaderLine();

// Why a record cannot be written as a line that reads back; empty when it can.
QString playRecordProblem(const PlayRecord& record);

// The record as one line, its newline included. Names cannot break it: tab,
// newline, CR and backslash are written \t \n \r \\, every other control
// character, line separator or lone surrogate as \xHH or \uHHHH.
QByteArray encodePlayLine(const PlayRecord& record);

// A line without its newline; nullopt when it is not one of ours, whole.
std::optional<PlayRecord> decodePlayLine(QByteArrayView line);

} // namespace tv
