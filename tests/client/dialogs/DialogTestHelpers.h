#pragma once

#include <QAbstractButton>
#include <QTest>
#include <QWidget>

// Shared checks of the dialog tests.
namespace DialogTestHelpers {

template <typename T = QWidget>
T *child(QWidget &parent, const char *name)
{
    T *found = parent.findChild<T *>(QLatin1StringView(name));
    if (!found)
        qFatal("missing control %s", name);
    return found;
}

// Clicks a button; an option or check box on its indicator, since only the indicator and the
// caption take a click, not the whole width a layout gives the button.
inline void click(QWidget &parent, const char *name)
{
    auto *button = child<QAbstractButton>(parent, name);
    QTest::mouseClick(button, Qt::LeftButton, {}, button->isCheckable() ? QPoint(6, button->height() / 2) : QPoint());
}

} // namespace DialogTestHelpers
