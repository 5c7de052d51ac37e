#include "report/play_sums.h"

#include "report/display_status.h"
#include "report/play_log.h"
#include "report/report_files.h"

#include <QDir>
#include <QFileInfo>

#include <fcntl.h>
#include <map>
#include <tuple>
#include <vector>

namespace tv {

namespace {

constexpr const char* kPlaysFolder = "plays";

struct Display {
    QString name;
    QString folder; // as the reasons name it
    Descriptor plays;
};

bool holdsPlays(int folderFd)
{
    for (const FolderEntry& entry : folderEntries(folderFd))
        if (entry.name == QLatin1String(kPlaysFolder))
            return entry.kind == FolderEntry::Kind::Folder;
    return false;
}

// The display's own name when its status says one, else its folder's.
Display displayIn(int folderFd, const QString& folderName, const QString& shownFolder)
{
    QString why;
    Display display{folderName, shownFolder,
                    openFolderAt(folderFd, QLatin1String(kPlaysFolder), false, &why)};
    if (const auto bytes =
            readRegularAt(folderFd, QLatin1String(kStatusFileName), DisplayStatus::kMaxBytes, &why))
        if (const auto status = decodeStatus(*bytes, &why); status && !status->display.isEmpty())
            display.name = status->display;
    return display;
}

} // namespace

QString csvField(const QString& text)
{
    QString field = text;
    if (!field.isEmpty() && QStringLiteral("=+-@\t\r").contains(field.front()))
        field.prepend(QLatin1Char('\''));
    for (const QChar special : {u',', u'"', u'\n', u'\r'})
        if (field.contains(special)) {
            field.replace(QLatin1Char('"'), QLatin1String("\"\""));
            return QLatin1Char('"') + field + QLatin1Char('"');
        }
    return field;
}

std::optional<QString> sumPlays(const QString& reportDir, QDate from, QDate to, QString* why,
                                QStringList* unread)
{
    if (!from.isValid() || !to.isValid() || from > to) {
        *why = QStringLiteral("the days to sum run from one day to the same or a later one");
        return std::nullopt;
    }
    const QString shownDir = QDir::toNativeSeparators(reportDir);
    QString problem;
    const Descriptor top = openFolderAt(AT_FDCWD, reportDir, true, &problem);
    if (!top.isOpen()) {
        *why = QStringLiteral("%1: %2").arg(shownDir, problem);
        return std::nullopt;
    }
    std::vector<Display> displays;
    if (holdsPlays(top.get())) {
        displays.push_back(
            displayIn(top.get(), QFileInfo(QDir(reportDir).absolutePath()).fileName(), shownDir));
    } else {
        // Hidden folders are a sync tool's own.
        for (const FolderEntry& entry : folderEntries(top.get())) {
            if (entry.kind != FolderEntry::Kind::Folder || entry.name.startsWith(QLatin1Char('.')))
                continue;
            const Descriptor folder = openFolderAt(top.get(), entry.name, false, &problem);
            if (folder.isOpen() && holdsPlays(folder.get()))
                displays.push_back(
                    displayIn(folder.get(), entry.name, QDir(shownDir).filePath(entry.name)));
        }
    }
    if (displays.empty()) {
        *why = QStringLiteral("%1 holds no plays folder, nor folders that do").arg(shownDir);
        return std::nullopt;
    }

    struct Sum {
        qint64 plays = 0;
        qint64 ms = 0;
    };
    std::map<std::tuple<QString, QDate, QString>, Sum> sums;
    for (const Display& display : displays) {
        if (!display.plays.isOpen()) {
            if (unread)
                *unread << QStringLiteral("%1: plays is not a folder").arg(display.folder);
            continue;
        }
        for (const FolderEntry& entry : folderEntries(display.plays.get())) {
            const QDate day = entry.name.endsWith(QLatin1String(".tsv"))
                                  ? dayOfText(entry.name.chopped(4))
                                  : QDate();
            if (!day.isValid() || day < from || day > to)
                continue;
            const QList<PlayRecord> records =
                readPlaysAt(display.plays.get(), entry.name, &problem);
            if (!problem.isEmpty() && unread)
                *unread << QStringLiteral("%1: %2").arg(
                    QDir(display.folder)
                        .filePath(QLatin1String(kPlaysFolder) + QLatin1Char('/') + entry.name),
                    problem);
            for (const PlayRecord& record : records) {
                if (record.result == PlayRecord::Result::Failed)
                    continue;
                Sum& sum = sums[{display.name, day, record.item}];
                ++sum.plays;
                sum.ms += record.durationMs;
            }
        }
    }
    QString csv = QStringLiteral("display,date,item,plays,seconds\n");
    // Joined, not through arg(): a name may hold "%1".
    for (const auto& [key, sum] : sums)
        csv += QStringList{csvField(std::get<0>(key)), std::get<1>(key).toString(Qt::ISODate),
                           csvField(std::get<2>(key)), QString::number(sum.plays),
                           QString::number((sum.ms + 500) / 1000)}
                   .join(QLatin1Char(',')) +
               QLatin1Char('\n');
    return csv;
}

} // namespace tv
