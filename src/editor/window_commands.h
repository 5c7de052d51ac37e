#pragma once

#include <QObject>

class QComboBox;
class QFrame;
class QPushButton;

namespace tv {

class OptionButton;

// The window kind choice, Add Window and Del Window, and the window list.
class WindowCommands final : public QObject {
    Q_OBJECT
public:
    explicit WindowCommands(QWidget* form);

    QFrame* Frame1 = nullptr;
    OptionButton* Option1 = nullptr;
    OptionButton* Option2 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QComboBox* Combo1 = nullptr;
};

} // namespace tv
