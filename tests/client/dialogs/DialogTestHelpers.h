#pragma once

#include <QAbstractButton>
#include <QTest>
#include <QWidget>

// Shared checks of the dialog tests.
namespace DialogTestHelpers {

template <typename T>
T *child(QWidget &parent, const char *name)
{
    T *found = parent.findChild<T *>(QLatin1StringView(name));
    if (!found)
        qFatal("missing control %s", name);
    return found;
}

// Clicks an option or check box on its indicator: only the indicator and the
// caption take a click, not the whole width a layout gives the button.
inline void clickIndicator(QAbstractButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

} // namespace DialogTestHelpers
