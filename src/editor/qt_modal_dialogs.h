#pragma once

#include "editor/controls/modal_dialogs.h"

namespace tv {

// The dialogs the user sees: QMessageBox without icons and QFileDialog.
class QtModalDialogs final : public ModalDialogs {
public:
    void message(QWidget* owner, const QString& text, const QString& title) override;
    bool askYesNo(QWidget* owner, const QString& text, const QString& title) override;
    Answer askYesNoCancel(QWidget* owner, const QString& text, const QString& title) override;
    std::optional<QString> saveFileName(QWidget* owner, const QString& filter,
                                        const QString& presetName) override;
    std::optional<QString> openFileName(QWidget* owner, const QString& filter,
                                        const QString& presetName) override;
    QString pickFolder(QWidget* owner, const QString& title, const QString& startFolder) override;
};

} // namespace tv
