#include "editor/layout_presenter.h"

#include "editor/canvas/layout_canvas.h"
#include "editor/model/layout_model.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>

namespace tv {

namespace {
const QColor kMarkRed(255, 0, 0);
const QColor kMarkBlack(0, 0, 0);
} // namespace

LayoutPresenter::LayoutPresenter(LayoutModel& model, LayoutCanvas& canvas, QComboBox* list,
                                 std::function<void()> applyTabOrder, QObject* parent)
    : QObject(parent), model_(model), canvas_(canvas), list_(list),
      applyTabOrder_(std::move(applyTabOrder))
{
    connect(&model, &LayoutModel::windowChanged, this, &LayoutPresenter::showWindow);
    connect(&model, &LayoutModel::windowMoved, this, &LayoutPresenter::moveWindow);
    connect(&model, &LayoutModel::windowRaised, this, &LayoutPresenter::raiseWindow);
    connect(&model, &LayoutModel::currentChanged, this, &LayoutPresenter::showCurrent);
    connect(&model, &LayoutModel::listChanged, this, &LayoutPresenter::showList);
    connect(&model, &LayoutModel::restored, this, &LayoutPresenter::showRestored);
}

void LayoutPresenter::showWindow(int index)
{
    LayoutCanvas& canvas = canvas_;
    const WindowState& window = model_.window(index);
    if (!window.created) {
        if (index > 0)
            canvas.destroyWindowParts(index);
        return;
    }
    if (!canvas.Image1.exists(index)) {
        canvas.createWindowParts(index);
        // The playlist panel made the window's grid first: Tab takes both.
        applyTabOrder_();
    }
    canvas.Label1(index)->setCaption(window.name);
    canvas.Shape1(index)->setFillStyle(window.kindStyle);
    canvas.Shape1(index)->setFillColor(index == model_.table().CurrentWindow ? kMarkRed
                                                                             : kMarkBlack);
    moveWindow(index);
    canvas.setWindowPartsVisible(index, model_.table().inUse(index));
    showCurrent();
}

void LayoutPresenter::moveWindow(int index)
{
    LayoutCanvas& canvas = canvas_;
    if (WindowBody* body = canvas.Image1(index)) {
        body->setTwips(model_.window(index).rect);
        canvas.PlaceWindowParts(index);
    }
}

void LayoutPresenter::raiseWindow(int index)
{
    if (canvas_.Image1.exists(index))
        canvas_.bringWindowToFront(index);
}

void LayoutPresenter::showCurrent()
{
    const int current = model_.table().CurrentWindow;
    LayoutCanvas& canvas = canvas_;
    for (int index = 1; index < kLayoutIndices; ++index)
        if (WindowOutline* outline = canvas.Shape1(index))
            outline->setFillColor(index == current ? kMarkRed : kMarkBlack);
}

void LayoutPresenter::showList()
{
    QComboBox* list = list_;
    const QSignalBlocker quiet(list);
    const QStringList& entries = model_.state().listEntries;
    QStringList shown;
    for (int i = 0; i < list->count(); ++i)
        shown << list->itemText(i);
    if (shown != entries) {
        const QString text = list->currentText();
        list->clear();
        list->addItems(entries);
        list->setEditText(text);
    }
    if (list->currentText() != model_.state().listText) {
        list->setEditText(model_.state().listText);
        // The box is narrower than most names; a name set as a whole is read
        // from its first character, not scrolled to its end.
        list->lineEdit()->home(false);
    }
}

void LayoutPresenter::showRestored()
{
    const LayoutState& before = model_.beforeRestore();
    const LayoutState& now = model_.state();
    if (before.shape != now.shape)
        canvas_.Picture1->setShape(now.shape);
    for (int index = 1; index < kLayoutIndices; ++index)
        if (windowDifference(before, now, index).any)
            showWindow(index);
    if (before.stacking != now.stacking)
        for (int index : now.stacking)
            raiseWindow(index);
    if (before.listEntries != now.listEntries || before.listText != now.listText)
        showList();
    showCurrent();
}

} // namespace tv
