#pragma once

#include <QString>
#include <QTextFormat>

class QTextCharFormat;
class QTextCursor;
class QTextDocument;
class QTextFragment;

// Conversions between the text callers hand over and the text QTextDocument holds.
namespace DocumentText {

// Qt wraps a word too long for its line by searching for a word boundary again and
// again, which grows with the square of the word's length: one unbroken word of
// 100,000 characters takes seconds. Longer runs without a blank therefore get an
// invisible break opportunity (U+200B) after every so many characters, marked by a
// format property so that the readers of the text (plain text, selection, RTF) can
// take ours out again and keep a U+200B of the text itself.
inline constexpr qsizetype LongestUnbrokenRun = 256;
inline constexpr char16_t BreakOpportunity = 0x200B;
inline constexpr int BreakOpportunityProperty = QTextFormat::UserProperty + 1;

// Inserts text at the cursor in the format given: CR LF becomes one paragraph break
// (QTextCursor makes one of every CR and every LF), the characters QTextDocument
// reserves for frames and objects become U+FFFD, and very long words get break
// opportunities.
void insert(QTextCursor &cursor, const QString &text, QTextCharFormat format);

// Whether the fragment is one of the break opportunities insert() adds.
bool isBreakOpportunity(const QTextFragment &fragment);

// The document's characters from position `from` up to `to`, each paragraph end
// as CR LF and without our break opportunities; every other character as it is.
QString plain(const QTextDocument &document, int from, int to);

} // namespace DocumentText
