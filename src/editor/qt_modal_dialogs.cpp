#include "editor/qt_modal_dialogs.h"

#include "editor/file_filter.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

namespace tv {

namespace {

// Messages carry file names and system reasons: data, never markup, though
// QMessageBox would guess rich text from a name such as "<h1>x.TXT".
void showPlainText(QMessageBox& box)
{
    box.setTextFormat(Qt::PlainText);
}

} // namespace

void QtModalDialogs::message(QWidget* owner, const QString& text, const QString& title)
{
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, owner);
    showPlainText(box);
    box.exec();
}

bool QtModalDialogs::askYesNo(QWidget* owner, const QString& text, const QString& title)
{
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Yes | QMessageBox::No, owner);
    showPlainText(box);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

ModalDialogs::Answer QtModalDialogs::askYesNoCancel(QWidget* owner, const QString& text,
                                                    const QString& title)
{
    QMessageBox box(QMessageBox::NoIcon, title, text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, owner);
    showPlainText(box);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

std::optional<QString> QtModalDialogs::saveFileName(QWidget* owner, const QString& filter,
                                                    const QString& presetName)
{
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(qtFileFilter(filter));
    // A name typed without an extension gets the filter's (its first
    // pattern's), or the open dialog's filter would hide the file. The editor
    // asks its own overwrite question, so the dialog must not.
    dialog.setDefaultSuffix(filter.section(QLatin1Char('|'), 1, 1)
                                .section(QLatin1Char(';'), 0, 0)
                                .section(QLatin1Char('.'), -1));
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.selectFile(presetName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

std::optional<QString> QtModalDialogs::openFileName(QWidget* owner, const QString& filter,
                                                    const QString& presetName)
{
    const QString name =
        QFileDialog::getOpenFileName(owner, QString(), presetName, qtFileFilter(filter), nullptr,
                                     QFileDialog::DontUseNativeDialog);
    if (name.isEmpty())
        return std::nullopt;
    return name;
}

QString QtModalDialogs::pickFolder(QWidget* owner, const QString& title, const QString& startFolder)
{
    return QFileDialog::getExistingDirectory(
        owner, title, startFolder.isEmpty() ? QDir::homePath() : startFolder);
}

} // namespace tv
