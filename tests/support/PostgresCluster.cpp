#include "PostgresCluster.h"

#include "TestFiles.h"
#include "TestHttpServer.h"

#include <QDir>
#include <QProcess>
#include <csignal>
#include <pwd.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

bool PostgresCluster::start()
{
    if (m_port == 0 && !initialise())
        return false;
    const QString log = m_dir.filePath(u"server.log"_s);
    const QString options = u"-p %1 -k %2 -c listen_addresses=127.0.0.1"_s.arg(m_port).arg(m_dir.path());
    if (run(u"pg_ctl"_s, {u"start"_s, u"-w"_s, u"-D"_s, m_dir.filePath(u"dati"_s), u"-l"_s, log, u"-o"_s, options}))
        return true;
    m_error += u"\nserver log: "_s + QString::fromUtf8(TestFiles::read(log).right(2000));
    return false;
}

bool PostgresCluster::initialise()
{
    if (geteuid() == 0) {
        const passwd *owner = getpwnam("postgres") ? getpwnam("postgres") : getpwnam("nobody");
        if (!owner || chown(qPrintable(m_dir.path()), owner->pw_uid, owner->pw_gid) != 0) {
            m_error = u"running as root, and no unprivileged user to own the cluster"_s;
            return false;
        }
        m_user = QString::fromLocal8Bit(owner->pw_name);
    }
    m_port = TestHttpServer::closedPort();
    return run(u"initdb"_s, {u"-D"_s, m_dir.filePath(u"dati"_s), u"-U"_s, u"postgres"_s, u"--auth=trust"_s, u"-E"_s,
                             u"UTF8"_s})
        .has_value();
}

bool PostgresCluster::stop()
{
    const QStringList arguments{u"stop"_s, u"-w"_s, u"-m"_s, u"fast"_s, u"-D"_s, m_dir.filePath(u"dati"_s)};
    return m_port != 0 && run(u"pg_ctl"_s, arguments);
}

bool PostgresCluster::signalAll(int signal)
{
    const qint64 server = TestFiles::read(m_dir.filePath(u"dati/postmaster.pid"_s)).split('\n').value(0).toLongLong();
    bool signalled = server > 0 && ::kill(pid_t(server), signal) == 0;
    for (const QString &entry : QDir(u"/proc"_s).entryList(QDir::Dirs)) {
        // "pid (name) state ppid ...": the name may hold anything but ends at the last ')'.
        const QByteArray stat = TestFiles::read(u"/proc/%1/stat"_s.arg(entry));
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (server > 0 && fields.value(1).toLongLong() == server)
            signalled = ::kill(pid_t(entry.toLongLong()), signal) == 0 && signalled;
    }
    return signalled;
}

std::optional<QByteArray> PostgresCluster::query(const QString &sql)
{
    return run(u"psql"_s, {u"-XAt"_s, u"-v"_s, u"ON_ERROR_STOP=1"_s, u"-d"_s, uri(), u"-c"_s, sql}, false);
}

std::optional<QByteArray> PostgresCluster::run(const QString &program, const QStringList &arguments, bool asOwner)
{
    const QString path = u"/usr/lib/postgresql/15/bin/"_s + program;
    QProcess process;
    if (asOwner && !m_user.isEmpty())
        process.start(u"runuser"_s, QStringList{u"-u"_s, m_user, u"--"_s, path} + arguments);
    else
        process.start(path, arguments);
    if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return process.readAllStandardOutput();
    m_error = u"%1 failed (%2): %3"_s.arg(path, process.errorString(),
                                          QString::fromLocal8Bit(process.readAllStandardError()));
    return std::nullopt;
}
