#pragma once

#include <QString>

class QWidget;
class QPushButton;
class QLabel;
class QLineEdit;
class QRadioButton;
class QFrame;
class QGroupBox;

namespace tv {

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
QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption,
                        const Place& place);
QLabel* makeLabel(QWidget* parent, const char* name, const QString& caption, const Place& place);
QLineEdit* makeTextBox(QWidget* parent, const char* name, const QString& text, const Place& place);
QRadioButton* makeOption(QWidget* parent, const char* name, const QString& caption,
                         const Place& place);
// A frame that only groups its controls: no border, no caption.
QFrame* makePlainFrame(QWidget* parent, const char* name, const Place& place);
// A frame with a border and no caption.
QGroupBox* makeBorderFrame(QWidget* parent, const char* name, const Place& place);

// The name of element `index` of a control array, such as "Text1(2)".
QString elementName(const QString& arrayName, int index);

} // namespace tv
