#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>

class QPainter;

// The product logo, drawn rather than shipped: a speech balloon in the
// product's blue with two smaller balloons answering it.
class LogoCiarla
{
public:
    static QSize dimensione();
    static QIcon icona();
    // Drawn at the exact size, for the desktop's icon sizes.
    static QPixmap immagine(int lato);
    // Paints the logo into a square of lato units from the painter's origin.
    static void dipingi(QPainter &p, int lato);
};
