#include "ServerLog.h"

#include "Generale.h"
#include "LogLine.h"
#include "zuUtilita.h"

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {
QString percorso()
{
    zuUtilita &zu = Generale::zu();
    return zu.AggiungiSepDir(zu.GetDirectoryTemp()) + u"ciarlaserver.log"_s;
}
} // namespace

void ServerLog::scrivi(const QString &testo, bool restart)
{
    if (restart) {
        m_file.close();
        if (!QFile::remove(percorso()))
            return;
    }
    if (!aperto()) {
        m_file.close();
        m_file.setFileName(percorso());
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
            return;
    }
    m_file.write(LogLine::encode(testo, true));
}

bool ServerLog::aperto() const
{
    struct stat info;
    return m_file.isOpen() && ::fstat(m_file.handle(), &info) == 0 && info.st_nlink > 0;
}
