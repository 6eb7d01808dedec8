#pragma once

#include <QFile>
#include <QString>

// The server log "ciarlaserver.log" in the user's temporary folder, one for
// every engine of the process. The file stays open between lines, but every
// line goes to the system in a write of its own, so a crash loses none of the
// lines before it.
class ServerLog
{
public:
    // Appends one stamped line; `restart` deletes the file first, and when
    // there is none to delete the line is not written.
    void scrivi(const QString &testo, bool restart);

private:
    // The file is open and still has its name: nobody deleted it meanwhile.
    bool aperto() const;

    QFile m_file;
};
