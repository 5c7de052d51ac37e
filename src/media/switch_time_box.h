#pragma once

#include <QObject>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tv {

// The picture switch time of the current picture window, in seconds.
class SwitchTimeBox final : public QObject {
    Q_OBJECT
public:
    explicit SwitchTimeBox(QWidget* form);

    QLabel* Label9 = nullptr;
    QLineEdit* Text3 = nullptr;
    QPushButton* Command12 = nullptr;

    // The box, its label and its button are enabled and disabled together.
    void setControlsEnabled(bool enabled);
};

} // namespace tv
