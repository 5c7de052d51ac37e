#pragma once

#include <QObject>

class QComboBox;
class QFrame;
class QPushButton;
class QRadioButton;

namespace tv {

// The window kind choice, Add Window and Del Window, and the window list.
class WindowCommands final : public QObject {
    Q_OBJECT
public:
    explicit WindowCommands(QWidget* form);

    QFrame* Frame1 = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QComboBox* Combo1 = nullptr;
};

} // namespace tv
