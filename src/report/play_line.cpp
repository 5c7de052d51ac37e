#include "report/play_line.h"

#include <QList>
#include <QRegularExpression>
#include <QStringDecoder>

#include <climits>
#include <iterator>
#include <limits>

namespace tv {

namespace {

// The result comes last, and no result's name begins another: a line cut
// anywhere before its newline does not read as a record.
constexpr const char* kColumns[] = {"start",  "end",  "duration_ms", "show", "rule",  "layout",
                                    "window", "item", "sha256",      "why",  "result"};
constexpr int kColumnCount = int(std::size(kColumns));

constexpr const char* kResults[] = {"shown", "cut-short", "failed"};

QString timeText(const QDateTime& time)
{
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

std::optional<QDateTime> timeOf(const QString& text)
{
    static const QRegularExpression form(
        QStringLiteral("^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}\\.[0-9]{3}"
                       "(Z|[+-][0-9]{2}:[0-9]{2})$"));
    if (!form.match(text).hasMatch())
        return std::nullopt;
    const QDateTime time = QDateTime::fromString(text, Qt::ISODateWithMs);
    return time.isValid() ? std::optional(time) : std::nullopt;
}

bool isHash(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^([0-9a-f]{16})?$"));
    return form.match(text).hasMatch();
}

void appendEscaped(QString& out, const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out += text[i];
            out += text[++i];
        } else if (u == '\t') {
            out += QLatin1String("\\t");
        } else if (u == '\n') {
            out += QLatin1String("\\n");
        } else if (u == '\r') {
            out += QLatin1String("\\r");
        } else if (u == '\\') {
            out += QLatin1String("\\\\");
        } else if (u < 0x20 || (u >= 0x7f && u < 0xa0)) {
            out += QStringLiteral("\\x%1").arg(uint(u), 2, 16, QLatin1Char('0'));
        } else if (u == 0x2028 || u == 0x2029 || QChar::isSurrogate(u)) {
            out += QStringLiteral("\\u%1").arg(uint(u), 4, 16, QLatin1Char('0'));
        } else {
            out += text[i];
        }
    }
}

std::optional<QString> unescaped(QStringView field)
{
    QString out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const QChar c = field[i];
        if (c.unicode() < 0x20)
            return std::nullopt; // a writer of ours escapes every one
        if (c != QLatin1Char('\\')) {
            out += c;
            continue;
        }
        if (++i == field.size())
            return std::nullopt;
        const char16_t kind = field[i].unicode();
        const int digits = kind == 'x' ? 2 : kind == 'u' ? 4 : 0;
        if (digits > 0) {
            if (i + digits >= field.size())
                return std::nullopt;
            uint code = 0;
            for (const QChar digit : field.sliced(i + 1, digits)) {
                const int value = QStringLiteral("0123456789abcdef").indexOf(digit.toLower());
                if (value < 0)
                    return std::nullopt;
                code = code * 16 + uint(value);
            }
            out += QChar(char16_t(code));
            i += digits;
        } else if (kind == 't' || kind == 'n' || kind == 'r' || kind == '\\') {
            out += QChar(kind == 't' ? u'\t' : kind == 'n' ? u'\n' : kind == 'r' ? u'\r' : u'\\');
        } else {
            return std::nullopt;
        }
    }
    return out;
}

// Plain decimal digits, at most `most`; no sign, no space.
std::optional<qint64> numberOf(QStringView text, qint64 most)
{
    if (text.isEmpty() || text.size() > 18)
        return std::nullopt;
    qint64 value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
    }
    return value <= most ? std::optional(value) : std::nullopt;
}

} // namespace

QByteArray playHeaderLine()
{
    QByteArray line;
    for (const char* column : kColumns)
        line += QByteArray(column) + (column == kColumns[kColumnCount - 1] ? '\n' : '\t');
    return line;
}

QString playRecordProblem(const PlayRecord& record)
{
    for (const QDateTime& time : {record.start, record.end})
        if (!time.isValid() || !timeOf(timeText(time)))
            return QStringLiteral("a play needs its start and end");
    if (record.durationMs < 0)
        return QStringLiteral("a play cannot last %1 ms").arg(record.durationMs);
    if (record.rule < -1)
        return QStringLiteral("no schedule has a line %1").arg(record.rule);
    if (record.window < 0 || record.window > PlayRecord::kPictureWindows)
        return QStringLiteral("no layout has a window %1").arg(record.window);
    if (!isHash(record.sha256))
        return QStringLiteral("a hash prefix is 16 lowercase hex digits");
    return QString();
}

QByteArray encodePlayLine(const PlayRecord& record)
{
    QString line = timeText(record.start) + QLatin1Char('\t') + timeText(record.end) +
                   QLatin1Char('\t') + QString::number(record.durationMs) + QLatin1Char('\t');
    appendEscaped(line, record.showId);
    line += QLatin1Char('\t') + QString::number(record.rule) + QLatin1Char('\t');
    appendEscaped(line, record.layout);
    line += QLatin1Char('\t') + QString::number(record.window) + QLatin1Char('\t');
    appendEscaped(line, record.item);
    line += QLatin1Char('\t');
    appendEscaped(line, record.sha256);
    line += QLatin1Char('\t');
    appendEscaped(line, record.why);
    line += QLatin1Char('\t') + QLatin1String(kResults[int(record.result)]) + QLatin1Char('\n');
    return line.toUtf8();
}

std::optional<PlayRecord> decodePlayLine(QByteArrayView line)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(line);
    if (decoder.hasError())
        return std::nullopt;
    const QList<QStringView> fields = QStringView(text).split(QLatin1Char('\t'));
    if (fields.size() != kColumnCount)
        return std::nullopt;
    PlayRecord record;
    const auto start = timeOf(fields[0].toString()), end = timeOf(fields[1].toString());
    const auto duration = numberOf(fields[2], std::numeric_limits<qint64>::max() / 10);
    const auto rule =
        fields[4] == QLatin1String("-1") ? std::optional<qint64>(-1) : numberOf(fields[4], INT_MAX);
    const auto window = numberOf(fields[6], PlayRecord::kPictureWindows);
    const auto show = unescaped(fields[3]), layout = unescaped(fields[5]);
    const auto item = unescaped(fields[7]), why = unescaped(fields[9]);
    int result = 0;
    while (result < int(std::size(kResults)) && fields[10] != QLatin1String(kResults[result]))
        ++result;
    if (!start || !end || !duration || !rule || !window || !show || !layout || !item || !why ||
        !isHash(fields[8].toString()) || result == int(std::size(kResults)))
        return std::nullopt;
    record.start = *start;
    record.end = *end;
    record.durationMs = *duration;
    record.showId = *show;
    record.rule = int(*rule);
    record.layout = *layout;
    record.window = int(*window);
    record.item = *item;
    record.sha256 = fields[8].toString();
    record.why = *why;
    record.result = PlayRecord::Result(result);
    return record;
}

} // namespace tv
