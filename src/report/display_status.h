#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace tv {

// What a display tells of itself in status.json in its report folder,
// rewritten on every change and at least every kStatusIntervalS. Every
// instant carries its UTC offset, so the desk reads each display's own wall
// clock.
struct DisplayStatus {
    static constexpr int kFormat = 1;

    QString display;     // the display's name
    qint64 sequence = 0; // one more at each rewrite since the display started
    QDateTime time;      // when it was written, by the display's clock
    QString zone;        // the display's zone, an IANA name
    bool clockSynchronised = true;
    qint64 clockErrorMs = 0; // the kernel's bound on the clock's error
    QString version;
    qint64 uptimeS = 0;
    int intervalS = 60; // the longest the display goes without rewriting

    struct Show {
        QString id;          // empty: a plain folder, not a published show
        QDateTime published; // invalid when unknown
        bool whole = true;
        QString waitingFor;  // the id of a show that is not whole yet
        int listed = 0;      // files the show waited for lists
        QStringList missing; // files not there yet (at most kMissingShown)
    } show;

    struct Playing {
        int rule = -1;  // the schedule's line; -1: no rule (the default, or no schedule)
        QString why;    // why it plays, as --explain says
        QString layout; // "off" while the screen is dark
        QDateTime since;
    } playing;

    struct Next {
        QDateTime at; // invalid: no change ahead
        int rule = -1;
        QString layout;
        bool whole = true; // whether its files are all there yet
    } next;

    struct Screen {
        QString name;
        int width = 0, height = 0; // in the screen's own pixels
        int rotation = 0;          // degrees the show is turned by
        QString shape;             // of the show's layout: "landscape" or "portrait"
        QString advice;            // when the show does not fit the screen: what to do
    } screen;

    struct Problem {
        QString item;
        QString reason;
        QDateTime since;
        QDateTime cleared; // invalid while it lasts
    };
    QList<Problem> problems; // at most kProblemsKept, the newest kept

    qint64 diskFreeBytes = -1; // in the report folder's file system

    static constexpr int kStatusIntervalS = 60;
    static constexpr int kMissingShown = 20;
    static constexpr int kProblemsKept = 50;
    // The most a status file may hold: a display's is far smaller, and the
    // desk reads no more.
    static constexpr qint64 kMaxBytes = 256 * 1024;
};

QByteArray encodeStatus(const DisplayStatus& status);
// Reads status.json; nullopt with `why` set when it is not one.
std::optional<DisplayStatus> decodeStatus(const QByteArray& bytes, QString* why);

// The name of the status file in a report folder.
inline constexpr const char* kStatusFileName = "status.json";

} // namespace tv
