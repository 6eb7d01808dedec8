#pragma once

#include <QString>

class QTextDocument;

// A document written out as text with every paragraph's alignment and every run's
// font, size, bold and italic, so that a test compares look and text in one go:
//   [C] {Arial 12 B|NESSUN MESSAGGIO}
//   [L] {Arial 10|Nick /> }{Arial 12 B|anna}
// Alignment L, C or R; a run without a family or size of its own shows "-".
QString describeRuns(const QTextDocument &document);
