#include "editor/schedule/schedule_file.h"

#include "files/save_files.h"
#include "schedule/schedule.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace tv {

ScheduleFileText readScheduleFile(const QString& path)
{
    const QString name = QDir::toNativeSeparators(path);
    // Only a regular file is opened: a pipe or a device would never end.
    if (!QFileInfo(path).isFile())
        return {QString(), QStringLiteral("%1 was not opened: it is not a file.").arg(name)};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QString(), QStringLiteral("%1 was not opened: %2").arg(name, file.errorString())};
    const QByteArray bytes = file.read(kMaxScheduleBytes + 1);
    if (bytes.size() > kMaxScheduleBytes)
        return {QString(), QStringLiteral("%1 was not opened: it is larger than a schedule may be "
                                          "(%2 KiB).")
                               .arg(name)
                               .arg(kMaxScheduleBytes / 1024)};
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    // Editing text that was not UTF-8 would lose its bytes on saving.
    if (utf8.hasError())
        return {QString(), QStringLiteral("%1 was not opened: it is not UTF-8 text.").arg(name)};
    return {text, QString()};
}

QString writeScheduleFile(const QString& path, const QString& text, SaveFiles& files)
{
    QString error;
    if (!files.replaceWhole(path, text.toUtf8(), &error))
        return error.isEmpty() ? QStringLiteral("It could not be written.") : error;
    return QString();
}

} // namespace tv
