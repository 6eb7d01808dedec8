#pragma once

#include "zuUtilita.h"

#include <QDialog>

class LinkLabel;
class QGroupBox;
class QLabel;
class QPushButton;

// The about box: title, version and the maker's details, a mail to the maker,
// the maker's site and the system-information program.
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    explicit frmAbout(QWidget *parent = nullptr);

    // "mailto:" + the e-mail label's text + a subject naming this version.
    QString indirizzoPosta() const;

private:
    void creaControlli();
    void creaDettagliProduttore();
    void cmdSysInfo_Click();
    void lblEmail_Click();
    void lblSito_Click();
    void StartSysInfo();
    // The system-information program's path; empty when it is not installed.
    QString percorsoSysInfo();
    static bool GetKeyValue(quint32 KeyRoot, const QString &KeyName, const QString &SubKeyRef, QString &KeyVal);

    zuUtilita zu;

    QLabel *picIcon = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *lblVersion = nullptr;
    QGroupBox *Frame1 = nullptr;
    QLabel *lblProdotto = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label5 = nullptr;
    LinkLabel *lblEmail = nullptr;
    LinkLabel *lblSito = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdSysInfo = nullptr;
};
