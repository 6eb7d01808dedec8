#include "GuideRenderer.h"

#include <QFile>
#include <QFileInfo>
#include <QMarginsF>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>
#include <QUrl>

using namespace Qt::StringLiterals;

bool GuideRenderer::render(const QString &htmlFile, const QString &imagesFolder, const QString &pdfFile)
{
    QFile source(htmlFile);
    if (!source.open(QIODevice::ReadOnly))
        return false;
    QTextDocument guide;
    // Pictures are named relative to their folder.
    guide.setMetaInformation(QTextDocument::DocumentUrl, QUrl::fromLocalFile(imagesFolder + u'/').toString());
    guide.setHtml(QString::fromUtf8(source.readAll()));

    {
        QPdfWriter pdf(pdfFile);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageMargins(QMarginsF(18, 18, 18, 18), QPageLayout::Millimeter);
        pdf.setTitle(guide.metaInformation(QTextDocument::DocumentTitle));
        pdf.setCreator(u"CiarlaChat"_s);
        guide.print(&pdf);
    }
    return QFileInfo(pdfFile).size() > 0;
}
