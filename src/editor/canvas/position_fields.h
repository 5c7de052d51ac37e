#pragma once

#include "base/twips.h"

#include <QObject>

#include <array>
#include <functional>

class QGroupBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tv {

class DisplaySnapBox;
class LayoutHistory;
class ModalDialogs;
class OptionButton;

// Below the canvas: the current window's rectangle in screen pixels (x, y, w,
// h) with the button that applies it, and the screen-ratio choice with its own
// button. Both buttons act on the current window, even when that is the
// hidden template (no window selected yet) or a deleted window. The fields
// follow the layout by themselves: they show the current window's place
// after each selection refresh, whenever the current window moves (by the
// mouse, the keys or a file) and after an undo; what was typed stays when
// the fields themselves apply it, and when code only clears the layout.
class PositionFields final : public QObject {
    Q_OBJECT
public:
    // The hidden template body belongs to the canvas: the fields reach it
    // through these two.
    struct TemplateBody {
        std::function<TwipsRect()> place;
        std::function<void(const TwipsRect&)> setPlace;
    };
    // `snap` tells where typed values put a window.
    PositionFields(LayoutHistory& history, ModalDialogs& dialogs, const DisplaySnapBox& snap,
                   TemplateBody templateBody, QWidget* client);

    QGroupBox* Frame4 = nullptr;
    QLabel* Label6 = nullptr;
    std::array<QFrame*, 4> Frame2{};
    std::array<QLabel*, 4> Label5{};
    std::array<QLineEdit*, 4> Text1{};
    QPushButton* Command3 = nullptr;

    QGroupBox* Frame5 = nullptr;
    QLabel* Label7 = nullptr;
    QFrame* Frame3 = nullptr;
    OptionButton* Option4 = nullptr;
    OptionButton* Option3 = nullptr;
    QPushButton* Command4 = nullptr;

    // Shows the current window's body rectangle in screen pixels.
    void RefreshPositionFields();
    // Applies the four fields to the current window.
    void Command3_Click();
    // Makes the current window's height follow its width in the chosen ratio.
    void Command4_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TwipsRect rectOf(int index) const;
    void setRect(int index, const TwipsRect& rect);
    void windowMoved(int index);

    LayoutHistory& history_;
    ModalDialogs& dialogs_;
    const DisplaySnapBox& snap_;
    TemplateBody template_;
    bool applying_ = false;
};

} // namespace tv
