#pragma once

#include <QObject>

class QPushButton;

namespace tv {

// "Open File" and "Save File".
class LayoutFileCommands final : public QObject {
    Q_OBJECT
public:
    explicit LayoutFileCommands(QWidget* form);

    QPushButton* Command11 = nullptr;
    QPushButton* Command10 = nullptr;
};

} // namespace tv
