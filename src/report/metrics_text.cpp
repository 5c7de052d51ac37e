#include "report/metrics_text.h"

namespace tv {

namespace {

// A label's value with its backslashes, quotes and line breaks escaped.
QByteArray labelValue(const QString& text)
{
    QByteArray value;
    for (const char c : text.toUtf8()) {
        if (c == '\\' || c == '"')
            value += '\\';
        value += c == '\n' ? QByteArray("\\n") : QByteArray(1, c);
    }
    return value;
}

} // namespace

QByteArray metricsText(const DisplayStatus& status, const DisplayCounts& counts)
{
    const QByteArray label = "{display=\"" + labelValue(status.display) + "\"}";
    QByteArray text;
    const auto add = [&](const char* name, const char* type, const char* help, double value) {
        text += QByteArray("# HELP tessellview_") + name + ' ' + help + '\n';
        text += QByteArray("# TYPE tessellview_") + name + ' ' + type + '\n';
        text += QByteArray("tessellview_") + name + label + ' ' +
                QByteArray::number(value, 'g', 15) + '\n';
    };
    int failing = 0;
    for (const DisplayStatus::Problem& problem : status.problems)
        failing += problem.cleared.isValid() ? 0 : 1;
    add("frames_shown_total", "counter", "Pictures and video frames shown since the start.",
        double(counts.framesShown));
    add("frames_dropped_total", "counter", "Video frames dropped because a newer one came first.",
        double(counts.framesDropped));
    add("items_failing", "gauge", "Items that show their placeholder now.", failing);
    add("show_changed_seconds", "gauge", "Seconds since what plays last changed.",
        status.playing.since.isValid() ? double(status.playing.since.secsTo(status.time)) : -1.0);
    add("show_whole", "gauge", "1 when every file of the show is there.",
        status.show.whole ? 1 : 0);
    add("clock_synchronised", "gauge", "1 when the kernel keeps the clock in step.",
        status.clockSynchronised ? 1 : 0);
    add("clock_error_seconds", "gauge", "The kernel's bound on the clock's error.",
        double(status.clockErrorMs) / 1000);
    add("status_time_seconds", "gauge", "When this was written, in seconds since 1970.",
        double(status.time.toSecsSinceEpoch()));
    return text;
}

} // namespace tv
