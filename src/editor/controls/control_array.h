#pragma once

#include "editor/controls/form_controls.h"

#include <QPointer>

#include <array>

namespace tv {

// A run-time array of controls indexed by window index. Element 0 is the
// template; element i is created from it when window i is first used, starts
// hidden, and is destroyed only when the whole layout is cleared.
// T provides `static T* cloneOf(const T& templ)`, which copies the template's
// properties into a new control with the same parent. An array holds as many
// elements as a 16-bit window index table has slots.
template <class T, int Slots = 256> class ControlArray {
public:
    explicit ControlArray(QString name) : name_(std::move(name)) {}

    void setTemplate(T* element) { adopt(0, element); }

    // The element, or nullptr when it does not exist.
    T* operator()(int index) const
    {
        return inRange(index) ? elements_[static_cast<std::size_t>(index)].data() : nullptr;
    }
    bool exists(int index) const { return (*this)(index) != nullptr; }

    T* load(int index)
    {
        Q_ASSERT(inRange(index) && index > 0 && !exists(index) && exists(0));
        T* element = T::cloneOf(*elements_[0]);
        element->hide();
        adopt(index, element);
        return element;
    }

    void unload(int index)
    {
        if (!inRange(index) || index == 0)
            return;
        delete elements_[static_cast<std::size_t>(index)].data();
        elements_[static_cast<std::size_t>(index)] = nullptr;
    }

    static bool inRange(int index) { return index >= 0 && index < Slots; }

private:
    void adopt(int index, T* element)
    {
        element->setObjectName(elementName(name_, index));
        if constexpr (requires { element->setArrayIndex(index); })
            element->setArrayIndex(index);
        elements_[static_cast<std::size_t>(index)] = element;
    }

    QString name_;
    std::array<QPointer<T>, Slots> elements_{};
};

} // namespace tv
