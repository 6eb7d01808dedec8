#pragma once

#include <QAbstractButton>
#include <QStringList>
#include <QTest>
#include <QWidget>

// Shared checks of the dialog tests.
namespace DialogTestHelpers {

// The names of the given widgets in the order the Tab key visits them, starting
// from the first one.
inline QStringList tabOrder(QWidget *first, const QStringList &names)
{
    QStringList visited;
    QWidget *w = first;
    do {
        if (names.contains(w->objectName()) && !visited.contains(w->objectName()))
            visited.append(w->objectName());
        w = w->nextInFocusChain();
    } while (w != first);
    return visited;
}

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
