#include "editor/canvas/canvas_controls.h"

#include "editor/controls/form_controls.h"
#include "editor/model/drag_rules.h"

#include <QPainter>

#include <algorithm>

namespace tv {

CanvasPicture::CanvasPicture(QWidget* parent) : QFrame(parent)
{
    setFrameShape(QFrame::Box);
    setFrameShadow(QFrame::Plain);
    setAutoFillBackground(true);
}

void CanvasPicture::setShape(ScreenShape shape)
{
    shape_ = shape;
    const CanvasFrame frame = canvasFrameOf(shape);
    placeTwips(this, {qRound(frame.left), qRound(frame.top),
                      kTwipsPerPixel * qRound(frame.width / kTwipsPerPixel), qRound(frame.height)});
}

void CanvasPicture::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    if (!hasFocus())
        return;
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
    painter.drawRect(rect().adjusted(2, 2, -3, -3));
}

void CanvasPicture::focusInEvent(QFocusEvent* event)
{
    QFrame::focusInEvent(event);
    update();
}

void CanvasPicture::focusOutEvent(QFocusEvent* event)
{
    QFrame::focusOutEvent(event);
    update();
}

CanvasControl::CanvasControl(QWidget* canvas) : QWidget(canvas) {}

void CanvasControl::setLeft(float value)
{
    rect_.Left = value;
    followTwips();
}

void CanvasControl::setTop(float value)
{
    rect_.Top = value;
    followTwips();
}

void CanvasControl::setWidth(float value)
{
    rect_.Width = value;
    followTwips();
}

void CanvasControl::setHeight(float value)
{
    rect_.Height = value;
    followTwips();
}

void CanvasControl::setTwips(const TwipsRect& rect)
{
    rect_ = rect;
    followTwips();
}

void CanvasControl::copyPlaceFrom(const CanvasControl& templ)
{
    setCursor(templ.cursor());
    setTwips(templ.twips());
}

void CanvasControl::followTwips()
{
    // A negative extent has no pixels to show; the twips keep the value.
    QRect pixels = twipsToPixels(rect_);
    pixels.setWidth(std::max(0, pixels.width()));
    pixels.setHeight(std::max(0, pixels.height()));
    setGeometry(shownPixels(pixels));
}

WindowBody* WindowBody::cloneOf(const WindowBody& templ)
{
    auto* body = new WindowBody(templ.parentWidget());
    body->copyPlaceFrom(templ);
    return body;
}

void WindowBody::setThumbnail(const QImage& image)
{
    if (image.isNull() && thumbnail_.isNull())
        return;
    thumbnail_ = image;
    update();
}

void WindowBody::paintEvent(QPaintEvent*)
{
    if (thumbnail_.isNull())
        return;
    QPainter painter(this);
    const QSize fitted = thumbnail_.size().scaled(size(), Qt::KeepAspectRatio);
    const QRect at(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2),
                   fitted);
    painter.drawImage(at, thumbnail_);
    // Dimmed, so the hatching, the outline and the name stay readable.
    painter.fillRect(at, QColor(255, 255, 255, 150));
}

WindowOutline::WindowOutline(QWidget* canvas) : CanvasControl(canvas)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

WindowOutline* WindowOutline::cloneOf(const WindowOutline& templ)
{
    auto* outline = new WindowOutline(templ.parentWidget());
    outline->copyPlaceFrom(templ);
    outline->fillStyle_ = templ.fillStyle_;
    outline->fillColor_ = templ.fillColor_;
    return outline;
}

void WindowOutline::setFillStyle(int style)
{
    fillStyle_ = style;
    update();
}

void WindowOutline::setFillColor(const QColor& color)
{
    fillColor_ = color;
    update();
}

void WindowOutline::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect inner = rect().adjusted(0, 0, -1, -1);
    Qt::BrushStyle hatch = Qt::NoBrush;
    if (fillStyle_ == kUpwardDiagonal)
        hatch = Qt::BDiagPattern;
    else if (fillStyle_ == kDownwardDiagonal)
        hatch = Qt::FDiagPattern;
    if (hatch != Qt::NoBrush)
        painter.fillRect(inner, QBrush(fillColor_, hatch));
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(inner);
}

NameTag::NameTag(QWidget* canvas) : CanvasControl(canvas)
{
    backColor_ = palette().color(QPalette::HighlightedText);
}

NameTag* NameTag::cloneOf(const NameTag& templ)
{
    auto* tag = new NameTag(templ.parentWidget());
    tag->copyPlaceFrom(templ);
    tag->setFont(templ.font());
    tag->caption_ = templ.caption_;
    tag->captionWidth_ = templ.captionWidth_;
    tag->backColor_ = templ.backColor_;
    return tag;
}

void NameTag::setCaption(const QString& caption)
{
    caption_ = caption;
    const QString shown = shownCaption();
    setToolTip(shown);
    // Measured once a name: a window's tag moves with every step of a drag.
    captionWidth_ = fontMetrics().horizontalAdvance(shown);
    followTwips();
    update();
}

QString NameTag::shownCaption() const
{
    // The video window's name holds a line feed; the tag shows it as a blank
    // so the whole name stays readable on the tag's one line.
    QString shown = caption_;
    return shown.replace(QLatin1Char('\n'), QLatin1Char(' '));
}

QRect NameTag::shownPixels(const QRect& place) const
{
    QRect shown = place;
    shown.setWidth(std::max(place.width(), captionWidth_ + 2));
    return shown;
}

void NameTag::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), backColor_);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignTop, shownCaption());
}

CornerHandle::CornerHandle(QWidget* canvas) : CanvasControl(canvas)
{
    setCursor(Qt::SizeFDiagCursor);
}

CornerHandle* CornerHandle::cloneOf(const CornerHandle& templ)
{
    auto* handle = new CornerHandle(templ.parentWidget());
    handle->copyPlaceFrom(templ);
    return handle;
}

void CornerHandle::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    painter.fillRect(rect().adjusted(2, 2, -2, -2), Qt::white);
}

} // namespace tv

namespace tv {

QCursor diagonalDragCursor()
{
    QPixmap image(32, 32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPolygonF arrow{{4, 4},   {13, 4},  {10, 7},  {25, 22}, {28, 19},
                          {28, 28}, {19, 28}, {22, 25}, {7, 10},  {4, 13}};
    painter.setPen(QPen(Qt::white, 1.5));
    painter.setBrush(Qt::black);
    painter.drawPolygon(arrow);
    painter.end();
    return QCursor(image, 16, 16);
}

} // namespace tv
