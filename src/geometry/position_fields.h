#pragma once

#include <QObject>

#include <array>

class QGroupBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tv {

class OptionButton;

// Below the canvas: the current window's rectangle in screen pixels (x, y, w,
// h) with the button that applies it, and the screen-ratio choice with its own
// button.
class PositionFields final : public QObject {
    Q_OBJECT
public:
    explicit PositionFields(QWidget* form);

    QGroupBox* Frame4 = nullptr;
    QLabel* Label6 = nullptr;
    std::array<QFrame*, 4> Frame2{};
    std::array<QLabel*, 4> Label5{};
    std::array<QLineEdit*, 4> Text1{};
    QPushButton* Command3 = nullptr;

    QGroupBox* Frame5 = nullptr;
    QLabel* Label7 = nullptr;
    QFrame* Frame3 = nullptr;
    OptionButton* Option4 = nullptr;
    OptionButton* Option3 = nullptr;
    QPushButton* Command4 = nullptr;
};

} // namespace tv
