// Writes a seed corpus of valid layout files for the decoder fuzzer.
#include "layout/layout_writer.h"
#include "support/random_layout.h"

#include <QDir>
#include <QFile>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds FOLDER\n");
        return 2;
    }
    QDir().mkpath(QString::fromLocal8Bit(argv[1]));
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    QRandomGenerator random(1207);
    for (int n = 0; n < 24; ++n) {
        const auto bytes = tv::encodeLayout(tv::test::randomLayout(random));
        QFile file(folder.filePath(QStringLiteral("seed-%1.TXT").arg(n, 2, 10, QLatin1Char('0'))));
        if (!file.open(QIODevice::WriteOnly) || !std::holds_alternative<QByteArray>(bytes))
            return 1;
        file.write(std::get<QByteArray>(bytes));
    }
    return 0;
}
