#pragma once

#include "zuUtilita.h"

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>

class AvvisoMessaggi;
class QAction;
class QButtonGroup;
class QDialog;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QTimer;
class QToolButton;
class LimitedTextEdit;
class RetrievalObject;
class RichTextView;
class Trascrizione;
class ZuStato;

// The main window of CiarlaChat: it asks which chat service to use, polls the
// selected room every five seconds (and at once on activation or a room change),
// draws the replies into the transcript, sends messages and carries the menus.
class FrmMain : public QMainWindow
{
    Q_OBJECT

public:
    // Creates one retrieval object; throws RuntimeError when it cannot.
    using RetrievalFactory = std::function<RetrievalObject *(QObject *parent)>;

    // Where the polling cycle stands; "suspended" looks like InVolo with no request.
    enum class StatoLettura { Inattivo, InVolo, Scarto };

    static constexpr int numeroStanze = 4;
    static constexpr int intervalloLettura = 5000;
    static constexpr int lunghezzaMassimaMessaggio = 600;

    // Without a factory the window uses CiarlaServer's objects on the session bus.
    explicit FrmMain(RetrievalFactory factory = {}, QWidget *parent = nullptr);
    ~FrmMain() override;

    // The server selection step: false when the user did not confirm, and the
    // program has to end.
    bool Form_Initialize();
    void Form_Load();
    void Form_Unload();

    bool StatoErrore() const { return m_statoErrore; }
    void setStatoErrore(bool nuovoValore);
    StatoLettura statoLettura() const;

    void AvviaLettura();

Q_SIGNALS:
    // The user cancelled the server selection of the connect command.
    void programmaTerminato();

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Building the window (FrmMainLayout.cpp).
    void creaControlli();
    QWidget *creaBarraStanze();
    QWidget *creaAreaInvio();
    void creaMenu();
    QAction *aggiungiVoce(QMenu *menu, const QString &nome, const QString &testo, void (FrmMain::*gestore)());
    void aggiungiSeparatore(QMenu *menu, const QString &nome);

    // Polling (FrmMainLettura.cpp).
    void Form_Activate();
    void creaOggettiRecupero();
    void rilasciaOggettiRecupero();
    void recHyper_FileRicevuto(const QString &datafile);
    // Draws a reply and tells the user of its news.
    void mostraRisposta(const QString &datafile);
    void recHyper_Errore(qint32 code, const QString &descrizione);
    void optCiarla_Click(int index);
    void tmrLetturaMsg_Timer();
    int stanzaSelezionata() const;

    // Sending (FrmMainInvio.cpp).
    void cmdInvia_Click();
    void InviaMessaggio();
    void recHyperInvio_FileRicevuto(const QString &datafile);
    void recHyperInvio_Errore(qint32 code, const QString &descrizione);

    // Menu commands (FrmMainComandi.cpp).
    void mostraModale(QDialog &dialogo);
    void mnclip_Click();
    void mostraMenuModifica(const QPoint &posizioneGlobale);
    void TxtMes_MouseDown(int button, int shift, double x, double y);
    void mnsel_Click();
    void mncopia_Click();
    void mncopiarft_Click();
    void mnstampa_Click();
    void mnguida_Click();
    void guidaWeb();
    void mnLeggimi_Click();
    void mnupdate_Click();
    void mninfo_Click();
    void mnciarla_Click();
    void mnvalligiani_Click();
    void Image1_Click();
    void mnconnetti_Click();
    void mnimpostazioni_Click();
    void mnesci_Click();
    // Unloads and loads the window again, which creates new retrieval objects;
    // with nuovaSceltaServer the user first chooses the server anew.
    void Ricarica(bool nuovaSceltaServer);

    zuUtilita &zu();

    RetrievalFactory m_factory;
    std::unique_ptr<zuUtilita> m_zu;

    // Chat state.
    QString IndirizzoBase;
    bool InLettura = false;
    bool ScartaRisposta = false;
    bool m_statoErrore = false;
    qint32 UltimoErrore = 0;
    bool RispostaRicevuta = false;
    bool UsaCanali = true;
    QString IndirizzoServer;
    bool m_caricata = false;
    QPointer<RetrievalObject> recHyper;
    QPointer<RetrievalObject> recHyperInvio;
    AvvisoMessaggi *m_avvisi = nullptr;

    // Controls.
    RichTextView *TxtMes = nullptr;
    Trascrizione *m_trascrizione = nullptr;
    QRadioButton *optCiarla[numeroStanze] = {};
    QButtonGroup *m_stanze = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *txtNick = nullptr;
    QLabel *Label2 = nullptr;
    LimitedTextEdit *txtContenuto = nullptr;
    QPushButton *cmdInvia = nullptr;
    QToolButton *cmdConnetti = nullptr;
    ZuStato *ZuStato1 = nullptr;
    QLabel *lblVersione = nullptr;
    QToolButton *Image1 = nullptr;
    QTimer *tmrLetturaMsg = nullptr;

    // Menu items whose state changes.
    QMenu *mnclip = nullptr;
    QAction *mnsel = nullptr;
    QAction *mncopia = nullptr;
    QAction *mncopiarft = nullptr;
    QAction *mnstampa = nullptr;
};
