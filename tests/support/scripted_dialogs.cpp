#include "support/scripted_dialogs.h"

namespace tv::test {

void ScriptedDialogs::message(QWidget*, const QString& text, const QString& title)
{
    shown.append({ShownDialog::Kind::Message, text, title, {}, {}});
}

bool ScriptedDialogs::askYesNo(QWidget*, const QString& text, const QString& title)
{
    shown.append({ShownDialog::Kind::Question, text, title, {}, {}});
    return answers.isEmpty() ? false : answers.dequeue();
}

ModalDialogs::Answer ScriptedDialogs::askYesNoCancel(QWidget*, const QString& text,
                                                     const QString& title)
{
    shown.append({ShownDialog::Kind::Question, text, title, {}, {}});
    return threeWayAnswers.isEmpty() ? Answer::No : threeWayAnswers.dequeue();
}

std::optional<QString> ScriptedDialogs::saveFileName(QWidget*, const QString& filter,
                                                     const QString& presetName)
{
    shown.append({ShownDialog::Kind::Save, {}, {}, filter, presetName});
    return fileChoices.isEmpty() ? std::nullopt : fileChoices.dequeue();
}

std::optional<QString> ScriptedDialogs::openFileName(QWidget*, const QString& filter,
                                                     const QString& presetName)
{
    shown.append({ShownDialog::Kind::Open, {}, {}, filter, presetName});
    return fileChoices.isEmpty() ? std::nullopt : fileChoices.dequeue();
}

QString ScriptedDialogs::pickFolder(QWidget*, const QString& title, const QString& startFolder)
{
    shown.append({ShownDialog::Kind::Folder, {}, title, {}, startFolder});
    return folderChoices.isEmpty() ? QString() : folderChoices.dequeue();
}

QStringList ScriptedDialogs::messages() const
{
    QStringList lines;
    for (const ShownDialog& dialog : shown)
        if (dialog.kind == ShownDialog::Kind::Message)
            lines << dialog.title + QStringLiteral(": ") + dialog.text;
    return lines;
}

} // namespace tv::test
