#pragma once

#include <QObject>
#include <QPointer>

class QSystemTrayIcon;
class QWidget;
class ZuStato;

// The program's icon in the desktop's system tray, where there is one: the
// colour of the status lamp, the unread count in its tool tip, a click that
// shows or hides the window and a menu to show it or to end the program.
class IconaVassoio : public QObject
{
    Q_OBJECT

public:
    IconaVassoio(QWidget *finestra, ZuStato *stato);
    ~IconaVassoio() override;

    void mostra();
    void setNonLetti(int nonLetti);
    // Brings the window to the front with the focus.
    static void portaDavanti(QWidget *finestra);

private:
    void creaMenu();
    void alternaFinestra();

    QPointer<QWidget> m_finestra;
    QPointer<ZuStato> m_stato;
    QSystemTrayIcon *m_icona = nullptr;
};
