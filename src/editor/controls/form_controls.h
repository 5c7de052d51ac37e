#pragma once

#include <QRadioButton>
#include <QString>

class QWidget;
class QPushButton;
class QLabel;
class QLineEdit;
class QFont;
class QFrame;
class QGroupBox;

namespace tv {

// An option button whose caption is kept exactly as given, line feeds
// included, because window names are built from it; it shows the caption on
// one line, its line feeds as blanks and trailing ones dropped.
class OptionButton final : public QRadioButton {
    Q_OBJECT
public:
    OptionButton(const QString& caption, QWidget* parent);

    QString Caption() const { return caption_; }
    void setCaption(const QString& caption);

private:
    QString caption_;
};

// Where a control sits in its container: Left, Top, Width, Height in twips.
struct Place {
    int left;
    int top;
    int width;
    int height;
};

// Sets a control's geometry from its twips place.
void placeTwips(QWidget* control, const Place& place);

// The form's controls, built with their name, caption and place. Labels keep
// their text in the top-left corner and never wrap, as the form was drawn.
QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption,
                        const Place& place);
QLabel* makeLabel(QWidget* parent, const QString& name, const QString& caption, const Place& place);
QLineEdit* makeTextBox(QWidget* parent, const QString& name, const QString& text,
                       const Place& place);
OptionButton* makeOption(QWidget* parent, const QString& name, const QString& caption,
                         const Place& place);
// A frame that only groups its controls: no border, no caption.
QFrame* makePlainFrame(QWidget* parent, const QString& name, const Place& place);
// A frame with a border and no caption.
QGroupBox* makeBorderFrame(QWidget* parent, const QString& name, const Place& place);

// The font the forms were drawn for: the system's family at 8 points.
QFont formFont(const QFont& systemFont);

// The name of element `index` of a control array, such as "Text1(2)".
QString elementName(const QString& arrayName, int index);

} // namespace tv
