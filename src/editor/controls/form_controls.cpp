#include "editor/controls/form_controls.h"

#include "base/twips.h"

#include <QFont>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tv {

void placeTwips(QWidget* control, const Place& place)
{
    control->setGeometry(twipsToPixels(
        TwipsRect{static_cast<float>(place.left), static_cast<float>(place.top),
                  static_cast<float>(place.width), static_cast<float>(place.height)}));
}

namespace {

template <class Control> Control* named(Control* control, const QString& name, const Place& place)
{
    control->setObjectName(name);
    placeTwips(control, place);
    return control;
}

} // namespace

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption,
                        const Place& place)
{
    auto* button = named(new QPushButton(caption, parent), name, place);
    button->setAutoDefault(false);
    return button;
}

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& caption, const Place& place)
{
    auto* label = named(new QLabel(caption, parent), name, place);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(false);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLineEdit* makeTextBox(QWidget* parent, const QString& name, const QString& text,
                       const Place& place)
{
    return named(new QLineEdit(text, parent), name, place);
}

OptionButton::OptionButton(const QString& caption, QWidget* parent) : QRadioButton(parent)
{
    setCaption(caption);
}

void OptionButton::setCaption(const QString& caption)
{
    caption_ = caption;
    QString shown = caption;
    while (shown.endsWith(QLatin1Char('\n')) || shown.endsWith(QLatin1Char('\r')))
        shown.chop(1);
    shown.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    setText(shown);
}

OptionButton* makeOption(QWidget* parent, const QString& name, const QString& caption,
                         const Place& place)
{
    return named(new OptionButton(caption, parent), name, place);
}

QFrame* makePlainFrame(QWidget* parent, const QString& name, const Place& place)
{
    auto* frame = named(new QFrame(parent), name, place);
    frame->setFrameShape(QFrame::NoFrame);
    return frame;
}

QGroupBox* makeBorderFrame(QWidget* parent, const QString& name, const Place& place)
{
    return named(new QGroupBox(parent), name, place);
}

QFont formFont(const QFont& systemFont)
{
    QFont font = systemFont;
    font.setPointSize(8);
    return font;
}

QString elementName(const QString& arrayName, int index)
{
    return QStringLiteral("%1(%2)").arg(arrayName).arg(index);
}

} // namespace tv
