// From process start to the launcher on the screen. Run without arguments, it
// starts itself nine times with --once, each run ending as soon as its
// launcher is exposed, and prints the median of the whole runs' times.
#include "app/main_form.h"
#include "support/scripted_dialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

int showLauncherOnce(int argc, char* argv[])
{
    // What the program's own start does, up to the launcher's first exposure.
    QApplication app(argc, argv);
    tv::test::ScriptedDialogs dialogs;
    tv::Main launcher(dialogs);
    launcher.show();
    return QTest::qWaitForWindowExposed(&launcher) ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc > 1 && qstrcmp(argv[1], "--once") == 0)
        return showLauncherOnce(argc, argv);

    std::vector<double> times;
    for (int run = 0; run < 9; ++run) {
        QElapsedTimer clock;
        clock.start();
        const int status = QProcess::execute(QString::fromLocal8Bit(argv[0]), {"--once"});
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
        if (status != 0) {
            std::fprintf(stderr, "the launcher was not shown\n");
            return 1;
        }
    }
    std::sort(times.begin(), times.end());
    std::printf("process start to launcher shown: median %.1f ms (fastest %.1f, slowest %.1f)\n",
                times[4], times.front(), times.back());
    return 0;
}
