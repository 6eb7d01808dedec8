#pragma once

#include "zuUtilita.h"

#include <QDialog>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The dialog every run begins with: the chat service's own rooms or a chat
// server of the user's choosing. The choice is remembered for the next run;
// the caller reads Annulla(), NomeServer() and CanaliCiarlaChat() after exec().
class frmSceltaServer : public QDialog
{
    Q_OBJECT

public:
    explicit frmSceltaServer(QWidget *parent = nullptr);

    bool Annulla() const { return m_annulla; }
    // Empty for the own rooms; otherwise "http://" + server + "/", or the
    // address as typed with its "http://" or "https://" and a trailing "/".
    QString NomeServer() const { return m_nomeServer; }
    bool CanaliCiarlaChat() const { return m_canaliCiarlaChat; }

protected:
    void changeEvent(QEvent *event) override;

private:
    void creaControlli();
    void AggiornaCampoServer();
    void OKButton_Click();
    static QString normalizzaServer(QString nome);

    zuUtilita zu;
    bool m_annulla = true;
    QString m_nomeServer;
    bool m_canaliCiarlaChat = false;

    QPushButton *OKButton = nullptr;
    QPushButton *CancelButton = nullptr;
    QButtonGroup *optServer = nullptr;
    QLabel *lblServer = nullptr;
    QLineEdit *txtServer = nullptr;
};
