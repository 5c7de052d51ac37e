// From process start to the first thing on the screen, each run a process of
// its own, median of nine: the editor's launcher shown, the real program's
// display player showing the first picture of a layout, and beside them a
// bare Qt window shown, the floor any Qt program starts from.
#include "app/main_form.h"
#include "layout/layout_writer.h"
#include "support/scripted_dialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

int showOnce(int argc, char* argv[], bool launcher)
{
    QApplication app(argc, argv);
    if (!launcher) {
        QWidget bare;
        bare.show();
        return QTest::qWaitForWindowExposed(&bare) ? 0 : 1;
    }
    // What the program's own start does, up to the launcher's first exposure.
    tv::test::ScriptedDialogs dialogs;
    tv::Main form(dialogs);
    form.show();
    return QTest::qWaitForWindowExposed(&form) ? 0 : 1;
}

// Runs the command nine times; each run ends when `done` says so of the
// program's error output (or when the program ends, for an empty `done`).
void report(const char* what, const QString& program, const QStringList& arguments,
            const QByteArray& done = {})
{
    std::vector<double> times;
    for (int run = 0; run < 9; ++run) {
        QProcess process;
        QElapsedTimer clock;
        clock.start();
        process.setReadChannel(QProcess::StandardError);
        process.start(program, arguments);
        if (done.isEmpty()) {
            process.waitForFinished(30000);
        } else {
            QByteArray said;
            while (!said.contains(done) && process.waitForReadyRead(30000))
                said += process.readAllStandardError();
        }
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
        process.kill();
        process.waitForFinished();
    }
    std::sort(times.begin(), times.end());
    std::printf("%s: median %.1f ms (fastest %.1f, slowest %.1f)\n", what, times[4], times.front(),
                times.back());
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc > 1 && qstrcmp(argv[1], "--launcher") == 0)
        return showOnce(argc, argv, true);
    if (argc > 1 && qstrcmp(argv[1], "--bare") == 0)
        return showOnce(argc, argv, false);

    QCoreApplication app(argc, argv);
    const QString self = QString::fromLocal8Bit(argv[0]);
    report("process start to a bare Qt window shown", self, {"--bare"});
    report("process start to launcher shown", self, {"--launcher"});

    // The display player of the real program, from its start to the first
    // picture of a one-window layout on the screen.
    QTemporaryDir show;
    QImage picture(1920, 1080, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    picture.save(show.filePath("first.jpg"), "JPG", 90);
    tv::LayoutDescription layout;
    layout.pictures << tv::LayoutWindow{{0, 0, 7200, 4050}, {"first.jpg"}, {}, 2};
    layout.switchTimes[0] = 5;
    QFile file(show.filePath("show.TXT"));
    const auto encoded = tv::encodeLayout(layout);
    if (!file.open(QIODevice::WriteOnly) || file.write(std::get<QByteArray>(encoded)) <= 0)
        return 1;
    file.close();
    report("process start to the display's first picture shown",
           QStringLiteral(TESSELLVIEW_EXECUTABLE), {"--play", file.fileName()}, "showing ");
    return 0;
}
