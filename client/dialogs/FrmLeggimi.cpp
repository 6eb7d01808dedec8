#include "FrmLeggimi.h"

#include "DataFolder.h"
#include "RichTextView.h"
#include "RuntimeError.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

FrmLeggimi::FrmLeggimi(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(u"FrmLeggimi"_s);
    setWindowTitle(u"Leggimi"_s);
    txtLeggimi = new RichTextView(this);
    txtLeggimi->setObjectName(u"txtLeggimi"_s);
    txtLeggimi->setReadOnly(true);
    // Read-only text keeps the focus for scrolling; Tab must still reach "OK".
    txtLeggimi->setTabChangesFocus(true);
    txtLeggimi->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    txtLeggimi->setAccessibleName(u"Leggimi"_s);
    // A plain-text readme lines up its columns with blanks.
    txtLeggimi->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    OKButton = new QPushButton(u"OK"_s, this);
    OKButton->setObjectName(u"OKButton"_s);
    OKButton->setDefault(true);

    auto *pulsanti = new QHBoxLayout;
    pulsanti->addStretch();
    pulsanti->addWidget(OKButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(txtLeggimi, 1);
    layout->addLayout(pulsanti);
    resize(640, 480);

    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    try {
        txtLeggimi->loadFile(percorsoLeggimi());
    } catch (const RuntimeError &e) {
        zu.PrintErrore(e);
    }
}

QString FrmLeggimi::percorsoLeggimi()
{
    return zuUtilita().AggiungiSepDir(DataFolder::path()) + u"Leggimi.txt"_s;
}
