#include "app/display_config.h"

#include "app/command_line.h"
#include "base/log_text.h"
#include "files/media_open.h"
#include "files/sha256.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace tv {

namespace {

// A settings file of a few lines; anything larger is not one.
constexpr qint64 kMaxConfigBytes = 64 * 1024;

const QStringList settingNames{QStringLiteral("rotate"), QStringLiteral("screen"),
                               QStringLiteral("volume"), QStringLiteral("hwdec"),
                               QStringLiteral("log"),    QStringLiteral("report"),
                               QStringLiteral("name"),   QStringLiteral("metrics")};

} // namespace

QString displayConfigPath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("tessellview/display.conf"));
}

namespace {

QString stateFolder()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(state))
        state = QDir::home().filePath(QStringLiteral(".local/state"));
    return state;
}

} // namespace

QString defaultReportFolder()
{
    return QDir(stateFolder()).filePath(QStringLiteral("tessellview/report"));
}

QString hashCachePath(const QString& layoutPath)
{
    const QString state = stateFolder();
    const QByteArray key =
        Sha256::hexOf(QFile::encodeName(QFileInfo(layoutPath).absoluteFilePath())).left(16);
    return QDir(state).filePath(QStringLiteral("tessellview/hashes-%1").arg(QLatin1String(key)));
}

QStringList withDisplayConfig(const QStringList& arguments, const QString& path, QString* problem)
{
    if (!asksToPlay(arguments))
        return arguments;
    const MediaHandle file = MediaHandle::open(path, MediaHandle::Links::Followed);
    if (!file.isOpen() && !QFileInfo::exists(path))
        return arguments;
    const QString shown = escapedForLog(QDir::toNativeSeparators(path));
    QString why;
    const QByteArray bytes = file.readAll(kMaxConfigBytes, &why);
    if (!why.isEmpty()) {
        *problem = QStringLiteral("tessellview: %1: %2").arg(shown, why);
        return arguments;
    }
    QStringList settings;
    const QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        const QString name = line.left(equals).trimmed();
        if (equals < 0 || !settingNames.contains(name)) {
            *problem = QStringLiteral("tessellview: %1 line %2: %3 is not a setting; the "
                                      "settings are %4")
                           .arg(shown)
                           .arg(i + 1)
                           .arg(escapedForLog(equals < 0 ? line : name),
                                settingNames.join(QStringLiteral(", ")));
            return arguments;
        }
        settings << QStringLiteral("--") + name << line.mid(equals + 1).trimmed();
    }
    // Each value is judged as the command line's would be.
    if (const QString wrong = usageProblem(
            QStringList{arguments.value(0), QStringLiteral("--play"), QStringLiteral("show")} +
            settings);
        !wrong.isEmpty()) {
        *problem = QStringLiteral("tessellview: %1: %2")
                       .arg(shown, wrong.mid(QStringLiteral("tessellview: ").size()));
        return arguments;
    }
    return arguments.mid(0, 1) + settings + arguments.mid(1);
}

} // namespace tv
