#pragma once

#include <QHash>
#include <QList>
#include <QMap>
#include <QString>

#include <functional>
#include <mutex>
#include <optional>

namespace tv {

// Messages that come again and again (a damaged clip says the same at every
// loop, a path that cannot be watched at every look) are told once per file
// per show, and how often each came again is told later: when its file is
// closed, at most once every kRetellMs, or when the show changes. Never on a
// timer, so the log stays still while nothing changes but the repeats.
// Safe to use from any thread.
class MessageTally {
public:
    // Takes a line escaped already.
    using Write = std::function<void(const QString& line)>;
    explicit MessageTally(Write write);

    // `message` about the file at `path` (empty: about no file), told the
    // first time in this show under the file's name, counted after. Both are
    // plain text, escaped here.
    void note(const QString& path, const QString& message);
    // The file is no longer read, at `nowMs` of a steady clock: the repeats
    // of its messages are told, unless they were told within kRetellMs.
    void closed(const QString& path, qint64 nowMs);
    // The show changed, or ends: every repeat is told, and every message is
    // forgotten, to be told again should it come again.
    void newShow();

    static constexpr qint64 kRetellMs = 60 * 60 * 1000;
    // A file's messages told one by one in a show; more are only counted,
    // so that a file whose messages differ every time cannot fill the log.
    static constexpr int kMostKinds = 40;

private:
    struct Kind {
        QString message;
        qint64 repeats = 0; // not told yet
    };
    struct File {
        QList<Kind> kinds; // in the order they were first told
        QHash<QString, qsizetype> index;
        qint64 untold = 0; // past kMostKinds, not told yet
        std::optional<qint64> toldAt;
    };
    void tellRepeats(const QString& path, File& file);

    const Write write_; // called with `mutex_` held, so lines keep their order

    // Guarded by `mutex_`: any thread may tell.
    std::mutex mutex_;
    QMap<QString, File> files_; // by path: told in the order of their names
};

// Milliseconds of the machine's monotonic clock, for MessageTally::closed.
qint64 steadyMs();

} // namespace tv
