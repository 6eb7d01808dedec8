#pragma once

#include "zuUtilita.h"

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The connection settings dialog: how CiarlaServer reaches the network (the
// system's settings or a named proxy), the credentials and the fetch mode.
// It also holds whether new messages are announced. It reads the settings when created and writes them only on a valid
// confirmation; the caller reads Annulla() after exec().
class FrmImpostazioni : public QDialog
{
    Q_OBJECT

public:
    explicit FrmImpostazioni(QWidget *parent = nullptr);

    // True until the user confirms with valid input.
    bool Annulla() const { return m_annulla; }

private:
    void creaControlli();
    void creaFrameConnessione();
    void creaFrameAutenticazione();
    void LeggiConfigurazione();
    void SalvaConfigurazione();
    void AbilitaCampiProxy();
    void OKButton_Click();
    void OptProxy_Click();
    // Shows the reason in an "Attenzione" box; false when the proxy fields cannot be stored.
    bool validaProxy();
    QString fileConfigurazione();

    zuUtilita zu;
    bool m_annulla = true;

    QString m_proxy;
    QString m_porta;
    QString m_username;
    QString m_password;
    bool m_sincrono = false;
    bool m_notifica = true;

    QGroupBox *Frame1 = nullptr;
    QRadioButton *OptSys = nullptr;
    QRadioButton *OptProxy = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *txtProxy = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *txtPorta = nullptr;
    QCheckBox *chkSyn = nullptr;
    QGroupBox *Frame2 = nullptr;
    QLabel *Label3 = nullptr;
    QLineEdit *txtUser = nullptr;
    QLabel *Label4 = nullptr;
    QLineEdit *txtPsw = nullptr;
    QCheckBox *chkNotifica = nullptr;
    QPushButton *OKButton = nullptr;
    QPushButton *CancelButton = nullptr;
};
