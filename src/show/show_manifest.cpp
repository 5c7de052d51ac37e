#include "show/show_manifest.h"

#include "base/log_text.h"
#include "files/media_open.h"
#include "files/sha256.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace tv {

namespace {

bool isHexDigest(const QString& text)
{
    if (text.size() != 64)
        return false;
    for (const QChar c : text)
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F')))
            return false;
    return true;
}

// Why a name cannot be a file of a show folder, or an empty string: a show's
// files are bare names in that one folder, never a way out of it.
QString nameFault(const QString& name)
{
    if (name.isEmpty())
        return QStringLiteral("a file has no name");
    if (name == QLatin1String(".") || name == QLatin1String("..") ||
        name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) ||
        name.contains(QChar(0)))
        return QStringLiteral("%1 is not a file name").arg(escapedForLog(name));
    if (name == QLatin1String(kShowManifestName))
        return QStringLiteral("it lists itself");
    return QString();
}

std::optional<ShowManifest> refused(QString* why, const QString& reason)
{
    if (why)
        *why = reason;
    return std::nullopt;
}

} // namespace

QByteArray encodeManifest(const ShowManifest& manifest)
{
    QJsonArray files;
    for (const ShowFile& file : manifest.files)
        files.append(QJsonObject{{QStringLiteral("name"), file.name},
                                 {QStringLiteral("size"), file.size},
                                 {QStringLiteral("sha256"), QString::fromLatin1(file.sha256)}});
    // Whole seconds read best; a time that has milliseconds keeps them, so
    // that the manifest read back is the one written.
    const QDateTime utc = manifest.published.toUTC();
    const QString published =
        utc.toString(utc.time().msec() == 0 ? Qt::ISODate : Qt::ISODateWithMs);
    QJsonObject root{{QStringLiteral("format"), manifest.format},
                     {QStringLiteral("layout"), manifest.layoutName},
                     {QStringLiteral("id"), manifest.id},
                     {QStringLiteral("published"), published},
                     {QStringLiteral("files"), files}};
    // A display of an earlier release passes over the key, and plays every
    // layout landscape as it always did.
    if (!manifest.shapes.isEmpty()) {
        QJsonObject shapes;
        for (auto shape = manifest.shapes.cbegin(); shape != manifest.shapes.cend(); ++shape)
            shapes.insert(shape.key(), shapeName(shape.value()));
        root.insert(QStringLiteral("shapes"), shapes);
    }
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

std::optional<ShowManifest> decodeManifest(const QByteArray& bytes, QString* why)
{
    if (bytes.size() > kMaxManifestBytes)
        return refused(why,
                       QStringLiteral("it is larger than %1").arg(sizeText(kMaxManifestBytes)));
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        return refused(why, QStringLiteral("it is not JSON: %1 at byte %2")
                                .arg(error.errorString())
                                .arg(error.offset));
    if (!document.isObject())
        return refused(why, QStringLiteral("it is not a JSON object"));
    const QJsonObject root = document.object();

    ShowManifest manifest;
    manifest.format = int(root.value(QLatin1String("format")).toInteger(-1));
    if (manifest.format != kShowManifestFormat)
        return refused(why, QStringLiteral("its format is not %1").arg(kShowManifestFormat));
    const QJsonValue layout = root.value(QLatin1String("layout"));
    const QJsonValue id = root.value(QLatin1String("id"));
    if (!layout.isString() || !id.isString())
        return refused(why, QStringLiteral("its layout or id is not text"));
    manifest.layoutName = layout.toString();
    manifest.id = id.toString();
    // A time without its offset from UTC would be read in each display's own
    // zone, so it is refused rather than guessed.
    manifest.published =
        QDateTime::fromString(root.value(QLatin1String("published")).toString(), Qt::ISODateWithMs);
    if (!manifest.published.isValid() || manifest.published.timeSpec() == Qt::LocalTime)
        return refused(why, QStringLiteral("its published time is not an ISO 8601 time in UTC"));
    manifest.published = manifest.published.toUTC();

    const QJsonValue files = root.value(QLatin1String("files"));
    if (!files.isArray())
        return refused(why, QStringLiteral("it has no list of files"));
    const QJsonArray list = files.toArray();
    if (list.size() > kMaxManifestFiles)
        return refused(why, QStringLiteral("it lists more than %1 files").arg(kMaxManifestFiles));
    QSet<QString> seen;
    for (const QJsonValue& entry : list) {
        const QJsonObject object = entry.toObject();
        const QJsonValue name = object.value(QLatin1String("name"));
        const QJsonValue sha256 = object.value(QLatin1String("sha256"));
        ShowFile file{name.toString(), object.value(QLatin1String("size")).toInteger(-1),
                      sha256.toString().toLatin1().toLower()};
        if (!name.isString())
            return refused(why, QStringLiteral("a file has no name"));
        if (const QString fault = nameFault(file.name); !fault.isEmpty())
            return refused(why, fault);
        const QString shown = escapedForLog(file.name);
        if (seen.contains(file.name))
            return refused(why, QStringLiteral("it lists %1 twice").arg(shown));
        seen.insert(file.name);
        if (file.size < 0)
            return refused(
                why, QStringLiteral("the size of %1 is not a whole number from 0").arg(shown));
        if (!sha256.isString() || !isHexDigest(sha256.toString()))
            return refused(why, QStringLiteral("the sha256 of %1 is not 64 hex digits").arg(shown));
        manifest.files.append(std::move(file));
    }

    const QJsonValue shapes = root.value(QLatin1String("shapes"));
    if (!shapes.isUndefined() && !shapes.isObject())
        return refused(why, QStringLiteral("its shapes are not a JSON object"));
    const QJsonObject byName = shapes.toObject();
    for (auto entry = byName.constBegin(); entry != byName.constEnd(); ++entry) {
        const QString shown = escapedForLog(entry.key());
        if (!seen.contains(entry.key()))
            return refused(
                why, QStringLiteral("it gives the shape of %1, which it does not list").arg(shown));
        const auto shape = shapeNamed(entry.value().toString());
        if (!entry.value().isString() || !shape)
            return refused(
                why, QStringLiteral("the shape of %1 is not landscape or portrait").arg(shown));
        manifest.shapes.insert(entry.key(), *shape);
    }
    return manifest;
}

std::optional<ShowManifest> manifestIn(const QString& folder, QString* why)
{
    QString problem;
    const MediaHandle file =
        MediaHandle::open(QDir(folder).filePath(QLatin1String(kShowManifestName)));
    const QByteArray bytes =
        file.isOpen() ? file.readAll(kMaxManifestBytes, &problem) : QByteArray();
    auto manifest =
        file.isOpen() && problem.isEmpty() ? decodeManifest(bytes, &problem) : std::nullopt;
    if (why)
        *why = problem;
    return manifest;
}

QMap<QString, ScreenShape> layoutShapesIn(const QString& folder)
{
    const auto manifest = manifestIn(folder);
    return manifest ? manifest->shapes : QMap<QString, ScreenShape>();
}

QByteArray sha256OfFile(const QString& path, QString* why)
{
    const MediaHandle file = MediaHandle::open(path);
    if (!file.isOpen()) {
        if (why)
            *why = file.problem();
        return {};
    }
    return sha256Of(file, why);
}

QByteArray sha256Of(const MediaHandle& file, QString* why, const std::atomic<bool>* stop)
{
    Sha256 hash;
    QByteArray piece(1 << 20, Qt::Uninitialized);
    // Only as many bytes as the file had when it was opened: one that keeps
    // growing cannot keep the reader here.
    for (qint64 done = 0; done < file.size();) {
        if (stop && stop->load()) {
            if (why)
                *why = QStringLiteral("stopped");
            return {};
        }
        const ssize_t got =
            ::pread(file.fd(), piece.data(),
                    std::size_t(qMin<qint64>(piece.size(), file.size() - done)), done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            if (why)
                *why = QString::fromLocal8Bit(std::strerror(errno));
            return {};
        }
        if (got == 0)
            break;
        hash.add(QByteArrayView(piece.constData(), got));
        done += got;
    }
    return hash.hex();
}

} // namespace tv
