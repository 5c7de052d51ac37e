#pragma once

#include "editor/controls/modal_dialogs.h"

#include <QList>
#include <QQueue>
#include <QStringList>

namespace tv::test {

// One modal exchange as the user saw it.
struct ShownDialog {
    enum class Kind { Message, Question, Save, Open, Folder };
    Kind kind;
    QString text;   // message or question text, empty for the file dialogs
    QString title;  // title of a message, question or folder picker
    QString filter; // file dialogs only
    QString preset; // file dialogs: the preset name; folder picker: where it opens
};

// Stands in for the user at every modal dialog: records what was shown and
// gives the answers queued beforehand. With no answer queued, a question is
// answered No and every file or folder dialog is cancelled.
class ScriptedDialogs final : public ModalDialogs {
public:
    void message(QWidget* owner, const QString& text, const QString& title) override;
    bool askYesNo(QWidget* owner, const QString& text, const QString& title) override;
    // With no answer queued: No.
    Answer askYesNoCancel(QWidget* owner, const QString& text, const QString& title) override;
    std::optional<QString> saveFileName(QWidget* owner, const QString& filter,
                                        const QString& presetName) override;
    std::optional<QString> openFileName(QWidget* owner, const QString& filter,
                                        const QString& presetName) override;
    QString pickFolder(QWidget* owner, const QString& title, const QString& startFolder) override;

    QQueue<bool> answers;                       // for askYesNo
    QQueue<Answer> threeWayAnswers;             // for askYesNoCancel
    QQueue<std::optional<QString>> fileChoices; // for the save and open dialogs
    QQueue<QString> folderChoices;              // for the folder picker

    QList<ShownDialog> shown;
    // "title: text" of every message box, in order.
    QStringList messages() const;
};

} // namespace tv::test
