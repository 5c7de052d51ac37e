#include "app/command_line.h"
#include "app/main_form.h"
#include "editor/editor_icon.h"
#include "editor/qt_modal_dialogs.h"
#include "player/media_backend.h"

#include <QApplication>

namespace {

// The media backend chatters about codecs and hardware at debug level; the
// display's log keeps what went wrong.
QtMessageHandler defaultHandler = nullptr;
void dropChatter(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        defaultHandler(type, context, text);
}

} // namespace

int main(int argc, char* argv[])
{
    defaultHandler = qInstallMessageHandler(dropChatter);
    tv::preferFfmpegBackend();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tessellview"));
    QApplication::setApplicationVersion(QStringLiteral("0.1"));
    QApplication::setWindowIcon(tv::editorIcon());

    const tv::CommandLine options = tv::readCommandLine(QApplication::arguments());
    if (!options.play.isEmpty())
        return tv::playLayout(options);

    tv::QtModalDialogs dialogs;
    tv::Main launcher(dialogs);
    launcher.show();
    return QApplication::exec();
}
