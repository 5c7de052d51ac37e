#include "base/message_tally.h"

#include "base/log_text.h"
#include "base/operator_log.h"

#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>

namespace tv {

namespace {

// How a file is named in the log: by its name alone, as every line about a
// medium names it.
QString shownName(const QString& path)
{
    return escapedForLog(QFileInfo(path).fileName()) + QStringLiteral(": ");
}

} // namespace

MessageTally::MessageTally(Write write) : write_(std::move(write)) {}

void MessageTally::note(const QString& path, const QString& message)
{
    const std::lock_guard lock(mutex_);
    File& file = files_[path];
    if (const auto known = file.index.constFind(message); known != file.index.cend()) {
        ++file.kinds[*known].repeats;
        return;
    }
    const QString name = path.isEmpty() ? QString() : shownName(path);
    if (file.kinds.size() >= kMostKinds) {
        if (file.untold++ == 0)
            write_(name + QStringLiteral("more messages, counted but not told"));
        return;
    }
    file.index.insert(message, file.kinds.size());
    file.kinds.append({message, 0});
    write_(name + escapedForLog(message));
}

void MessageTally::closed(const QString& path, qint64 nowMs)
{
    const std::lock_guard lock(mutex_);
    const auto found = files_.find(path);
    if (found == files_.end() || (found->toldAt && nowMs - *found->toldAt < kRetellMs))
        return;
    File& file = *found;
    const bool anything = file.untold > 0 || std::any_of(file.kinds.cbegin(), file.kinds.cend(),
                                                         [](const Kind& k) { return k.repeats; });
    if (!anything)
        return;
    tellRepeats(path, file);
    file.toldAt = nowMs;
}

void MessageTally::newShow()
{
    const std::lock_guard lock(mutex_);
    for (auto file = files_.begin(); file != files_.end(); ++file)
        tellRepeats(file.key(), *file);
    files_.clear();
}

void MessageTally::tellRepeats(const QString& path, File& file)
{
    const QString name = path.isEmpty() ? QString() : shownName(path);
    for (Kind& kind : file.kinds)
        if (const qint64 repeats = std::exchange(kind.repeats, 0))
            write_(name + escapedForLog(kind.message) +
                   (repeats == 1 ? QStringLiteral(" (once more)")
                                 : QStringLiteral(" (%1 more times)").arg(repeats)));
    if (const qint64 untold = std::exchange(file.untold, 0))
        write_(name + QStringLiteral("%1 more messages").arg(untold));
}

qint64 steadyMs()
{
    QElapsedTimer clock;
    clock.start();
    return clock.msecsSinceReference();
}

} // namespace tv
