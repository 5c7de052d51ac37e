#include "editor/canvas/layout_canvas.h"

#include "editor/model/window_geometry.h"

namespace tv {

namespace {

// The templates' places on the canvas, in twips.
constexpr TwipsRect kNameTagPlace{270, 270, 645, 195};
constexpr TwipsRect kOutlinePlace{225, 225, 1590, 915};
constexpr TwipsRect kBodyPlace{180, 180, 1935, 1245};
constexpr TwipsRect kHandlePlace{2070, 1350, 120, 120};

} // namespace

LayoutCanvas::LayoutCanvas(QWidget* form) : QObject(form)
{
    Picture1 = new CanvasPicture(form);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setShape(ScreenShape::Landscape);

    auto* tag = new NameTag(Picture1);
    tag->setCaption(QStringLiteral("***"));
    tag->setTwips(kNameTagPlace);
    Label1.setTemplate(tag);

    auto* outline = new WindowOutline(Picture1);
    outline->setTwips(kOutlinePlace);
    Shape1.setTemplate(outline);

    auto* body = new WindowBody(Picture1);
    body->setTwips(kBodyPlace);
    Image1.setTemplate(body);

    auto* handle = new CornerHandle(Picture1);
    handle->setTwips(kHandlePlace);
    Image2.setTemplate(handle);
}

void LayoutCanvas::hideTemplates()
{
    Label1(0)->hide();
    Shape1(0)->hide();
    Image1(0)->hide();
    Image2(0)->hide();
}

void LayoutCanvas::createWindowParts(int index)
{
    Label1.load(index);
    Shape1.load(index);
    Image1.load(index);
    Image2.load(index);
    if (pointerFilter_) {
        Image1(index)->installEventFilter(pointerFilter_);
        Image2(index)->installEventFilter(pointerFilter_);
    }
}

void LayoutCanvas::destroyWindowParts(int index)
{
    Label1.unload(index);
    Shape1.unload(index);
    Image1.unload(index);
    Image2.unload(index);
}

void LayoutCanvas::setWindowPartsVisible(int index, bool visible)
{
    Label1(index)->setVisible(visible);
    Shape1(index)->setVisible(visible);
    Image1(index)->setVisible(visible);
    Image2(index)->setVisible(visible);
}

void LayoutCanvas::bringWindowToFront(int index)
{
    Image1(index)->raise();
    Shape1(index)->raise();
    Label1(index)->raise();
    Image2(index)->raise();
}

void LayoutCanvas::PlaceWindowParts(int index)
{
    const WindowBody* body = Image1(index);
    if (!body)
        return;
    // Each part moves in one step, so a drag repaints it once per movement.
    const PartPlaces places = placeWindowParts(body->twips());
    Shape1(index)->setTwips(places.outline);
    NameTag* tag = Label1(index);
    tag->setTwips({places.tagLeft, places.tagTop, tag->Width(), tag->Height()});
    CornerHandle* handle = Image2(index);
    handle->setTwips({places.handleLeft, places.handleTop, handle->Width(), handle->Height()});
}

int LayoutCanvas::existingParts(int index) const
{
    return int(Label1.exists(index)) + int(Shape1.exists(index)) + int(Image1.exists(index)) +
           int(Image2.exists(index));
}

int LayoutCanvas::visibleParts(int index) const
{
    auto shown = [](const QWidget* part) { return part && !part->isHidden(); };
    return int(shown(Label1(index))) + int(shown(Shape1(index))) + int(shown(Image1(index))) +
           int(shown(Image2(index)));
}

} // namespace tv
