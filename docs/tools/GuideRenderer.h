#pragma once

#include <QString>

// Typesets the user guide, an HTML file whose pictures lie in one folder, as an
// A4 PDF.
class GuideRenderer
{
public:
    // False when the source cannot be read or the PDF was not written.
    static bool render(const QString &htmlFile, const QString &imagesFolder, const QString &pdfFile);
};
