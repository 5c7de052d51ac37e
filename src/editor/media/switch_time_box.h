#pragma once

#include <QObject>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tv {

class LayoutHistory;
class ModalDialogs;

// The picture switch time of the current picture window, in seconds. The box
// keeps its text within 5..65535: the upper bound while typing, the lower one
// when the box is left. It follows the layout by itself: whenever the current
// window, a window's use or a switch time changes, it shows the current
// window's time (so OK never stores one window's value for another).
class SwitchTimeBox final : public QObject {
    Q_OBJECT
public:
    SwitchTimeBox(LayoutHistory& history, ModalDialogs& dialogs, QWidget* client);

    QLabel* Label9 = nullptr;
    QLineEdit* Text3 = nullptr;
    QPushButton* Command12 = nullptr;

    // Shows the current window's switch time: empty and disabled for the
    // video window or when no window in use is current.
    void showCurrentWindow();

    void Text3_Change();
    void Text3_LostFocus();
    // OK: stores the box's value as the current window's switch time.
    void Command12_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The box, its label and its button are enabled and disabled together.
    void setControlsEnabled(bool enabled);

    LayoutHistory& history_;
    ModalDialogs& dialogs_;
};

} // namespace tv
