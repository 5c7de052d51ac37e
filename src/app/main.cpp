#include "app/main_form.h"
#include "editor/editor_icon.h"
#include "editor/qt_modal_dialogs.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tessellview"));
    QApplication::setWindowIcon(tv::editorIcon());

    tv::QtModalDialogs dialogs;
    tv::Main launcher(dialogs);
    launcher.show();
    return QApplication::exec();
}
