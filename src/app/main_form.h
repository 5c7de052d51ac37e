#pragma once

#include <QWidget>

#include <memory>

class QPushButton;

namespace tv {

class ModalDialogs;
class Split;

// The launcher: a small window whose one button opens the layout editor.
class Main final : public QWidget {
    Q_OBJECT
public:
    explicit Main(ModalDialogs& dialogs);
    ~Main() override;

    QPushButton* Command1 = nullptr;

    // The editor, once the button has been pressed; the same object is shown
    // again by every later press, also after the user closed it.
    Split* editor() const { return editor_.get(); }

    void Command1_Click();
    // Opens the editor with this layout file loaded as Open File loads it.
    void openLayout(const QString& path);

protected:
    // Enter presses the launcher's one button.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Form_Load();

    ModalDialogs& dialogs_;
    std::unique_ptr<Split> editor_;
};

} // namespace tv
