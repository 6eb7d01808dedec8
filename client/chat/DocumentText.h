#pragma once

#include <QString>

// Conversions between the text callers hand over and the text QTextDocument holds.
namespace DocumentText {

// Qt wraps a word too long for its line by searching for a word boundary again and
// again, which grows with the square of the word's length: one unbroken word of
// 100,000 characters takes seconds. Longer runs without a blank therefore get an
// invisible break opportunity (U+200B) after every so many characters; the readers
// of the text (plain text, selection, RTF) take it out again.
inline constexpr qsizetype LongestUnbrokenRun = 256;
inline constexpr char16_t BreakOpportunity = 0x200B;

// CR LF becomes one paragraph break (QTextCursor makes one of every CR and every LF),
// the characters QTextDocument reserves for frames and objects become U+FFFD, and
// very long words get break opportunities.
QString forInsertion(const QString &text);

// Paragraph and line separators become "\n", non-breaking blanks plain blanks, and
// the break opportunities go.
QString toPlain(QString text);

} // namespace DocumentText
