#pragma once

#include <QByteArrayView>

// What a request asked for, as the metrics tell requests apart: a room's poll or
// put, the JSON API, its event streams, the browser page, or anything else.
enum class PageKind { Poll, Put, Api, Events, Web, Other };

namespace PageKinds {
constexpr int count = 6;
// The label value of `kind`.
const char *name(PageKind kind);
// From the path alone, query left out, so that pages count before they exist.
PageKind of(QByteArrayView path);
} // namespace PageKinds
