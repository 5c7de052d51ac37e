#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace tv {

// Every modal exchange with the user goes through this seam, so that tests can
// script the answers and read what was shown.
class ModalDialogs {
public:
    virtual ~ModalDialogs() = default;

    // A message with one OK button and no icon.
    virtual void message(QWidget* owner, const QString& text, const QString& title) = 0;

    // A Yes/No question with Yes as the default button; true for Yes.
    virtual bool askYesNo(QWidget* owner, const QString& text, const QString& title) = 0;

    // A Yes/No/Cancel question with Yes as the default button.
    enum class Answer { Yes, No, Cancel };
    virtual Answer askYesNoCancel(QWidget* owner, const QString& text, const QString& title) = 0;

    // The save and open dialogs. The filter uses the "Description|pattern"
    // notation; presetName is the name the dialog starts with. An empty
    // optional means the user cancelled.
    virtual std::optional<QString> saveFileName(QWidget* owner, const QString& filter,
                                                const QString& presetName) = 0;
    virtual std::optional<QString> openFileName(QWidget* owner, const QString& filter,
                                                const QString& presetName) = 0;

    // The folder picker, opening at startFolder; an empty string when
    // cancelled.
    virtual QString pickFolder(QWidget* owner, const QString& title,
                               const QString& startFolder) = 0;
};

} // namespace tv
