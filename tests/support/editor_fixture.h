#pragma once

#include <QString>
#include <QWidget>

namespace tv::test {

// The control of the given objectName inside a form, or a test failure.
template <class T = QWidget> T* control(const QWidget* form, const QString& name)
{
    if (!form)
        return nullptr;
    return form->findChild<T*>(name);
}

// The caption or text a control shows, whatever its kind.
QString captionOf(const QWidget* control);

} // namespace tv::test
