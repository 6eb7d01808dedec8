#include "PageKind.h"

#include "RoomDirectory.h"

const char *PageKinds::name(PageKind kind)
{
    static const char *const names[count] = {"poll", "put", "api", "events", "web", "other"};
    return names[int(kind)];
}

PageKind PageKinds::of(QByteArrayView path)
{
    if (const auto match = RoomDirectory::find(path))
        return match->action == RoomDirectory::Action::Poll ? PageKind::Poll : PageKind::Put;
    if (path.startsWith("/api/"))
        return path.startsWith("/api/v1/") && path.endsWith("/events") ? PageKind::Events : PageKind::Api;
    if (path == "/web" || path.startsWith("/web/"))
        return PageKind::Web;
    return PageKind::Other;
}
