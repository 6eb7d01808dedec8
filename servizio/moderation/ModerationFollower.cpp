#include "ModerationFollower.h"

ModerationFollower::ModerationFollower(std::unique_ptr<MessageArchive> archive, BansHandler bans,
                                       HiddenHandler hidden)
    : m_archive(std::move(archive))
    , m_bans(std::move(bans))
    , m_hidden(std::move(hidden))
{
    // Hides from before the start are already out of every page: only what comes next is news.
    // The line first: a ban added between the two reads is then news too.
    m_lastId = m_archive->lastAuditId().value_or(-1);
    const std::optional<QList<Ban>> inForce = m_archive->bans();
    if (inForce)
        m_bans(*inForce);
    else
        m_lastId = -1;
    m_thread.setObjectName(QStringLiteral("moderazione"));
    m_worker.moveToThread(&m_thread);
    m_thread.start();
    QMetaObject::invokeMethod(&m_worker, [this] {
        m_archive->watch([this](const QString &room, qint64) {
            if (room.isEmpty() || room == MessageArchive::moderationNotice)
                QMetaObject::invokeMethod(&m_worker, [this] { check(); }, Qt::QueuedConnection);
        });
    });
}

ModerationFollower::~ModerationFollower()
{
    QMetaObject::invokeMethod(&m_worker, [this] {
        m_archive->watch({});
        m_thread.quit();
    });
    m_thread.wait();
}

void ModerationFollower::check()
{
    std::optional<ModerationNews> news;
    if (m_lastId >= 0)
        news = m_archive->moderationAfter(m_lastId, batch);
    else if (const std::optional<qint64> last = m_archive->lastAuditId()) // unread at the start: nothing before is news
        news = ModerationNews{*last, {}};
    if (!news || news->lastId == m_lastId)
        return;
    // Taken as seen only once the bans are read too: else the next notice, or second, tries again.
    const std::optional<QList<Ban>> inForce = m_archive->bans();
    if (!inForce)
        return;
    m_lastId = news->lastId;
    QMetaObject::invokeMethod(this, [this, bans = *inForce, hidden = news->hidden] {
        m_bans(bans);
        if (!hidden.isEmpty())
            m_hidden(hidden);
    });
    QMetaObject::invokeMethod(&m_worker, [this] { check(); }, Qt::QueuedConnection); // more may be behind
}
