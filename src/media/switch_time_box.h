#pragma once

#include <QObject>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tv {

class Split;

// The picture switch time of the current picture window, in seconds. The box
// keeps its text within 5..65535: the upper bound while typing, the lower one
// when the box is left.
class SwitchTimeBox final : public QObject {
    Q_OBJECT
public:
    SwitchTimeBox(Split& form, QWidget* client);

    QLabel* Label9 = nullptr;
    QLineEdit* Text3 = nullptr;
    QPushButton* Command12 = nullptr;

    // The box, its label and its button are enabled and disabled together.
    void setControlsEnabled(bool enabled);
    // Shows the current window's switch time, so OK never stores one
    // window's value for another: empty and disabled for the video window
    // or when no window in use is current.
    void showCurrentWindow();

    void Text3_Change();
    void Text3_LostFocus();
    // OK: stores the box's value as the current window's switch time.
    void Command12_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Split& form_;
};

} // namespace tv
