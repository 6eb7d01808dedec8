#include "RtfReader.h"

#include "DocumentText.h"
#include "Windows1252.h"

#include <QHash>
#include <QTextCursor>
#include <QTextDocument>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

enum class Destination { Text, FontTable, Skip };

// What a group inherits from its parent and restores when it closes.
struct GroupState
{
    Destination destination = Destination::Text;
    int font = 0;
    double points = 12;
    bool bold = false;
    bool italic = false;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignAbsolute;
    int unicodeSkip = 1;
};

struct ControlWord
{
    QString word;
    bool hasParameter = false;
    int parameter = 0;
};

bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// Destinations whose contents are not text of the document.
bool isSkippedDestination(const QString &word)
{
    static const QStringList skipped{
        u"colortbl"_s, u"stylesheet"_s, u"info"_s,     u"pict"_s,   u"header"_s,   u"footer"_s,
        u"headerl"_s,  u"headerr"_s,    u"footerl"_s,  u"footerr"_s, u"object"_s,  u"listtable"_s,
        u"listoverridetable"_s, u"rsidtbl"_s, u"xmlnstbl"_s, u"footnote"_s, u"fldinst"_s, u"themedata"_s,
    };
    return skipped.contains(word);
}

class Parser
{
public:
    Parser(QStringView rtf, QTextCursor &cursor)
        : m_rtf(rtf)
        , m_cursor(cursor)
        , m_defaultFamily(cursor.document()->defaultFont().family())
    {
    }

    void run()
    {
        while (m_pos < m_rtf.size()) {
            const QChar c = m_rtf.at(m_pos++);
            if (c == u'{')
                openGroup();
            else if (c == u'}')
                closeGroup();
            else if (c == u'\\')
                controlSequence();
            else if (c != u'\r' && c != u'\n')
                character(c);
        }
        flush();
    }

private:
    void openGroup()
    {
        m_stack.push_back(m_state);
    }

    void closeGroup()
    {
        if (m_stack.empty())
            return;
        flush();
        m_pendingSkip = 0;
        if (m_state.destination == Destination::FontTable)
            commitFontName();
        m_state = m_stack.back();
        m_stack.pop_back();
    }

    void controlSequence()
    {
        if (m_pos >= m_rtf.size())
            return;
        const QChar c = m_rtf.at(m_pos);
        if (!isAsciiLetter(c)) {
            ++m_pos;
            controlSymbol(c);
            return;
        }
        controlWord(readControlWord());
    }

    ControlWord readControlWord()
    {
        ControlWord w;
        const qsizetype start = m_pos;
        while (m_pos < m_rtf.size() && isAsciiLetter(m_rtf.at(m_pos)) && m_pos - start < 32)
            ++m_pos;
        w.word = m_rtf.mid(start, m_pos - start).toString();
        const bool negative = m_pos < m_rtf.size() && m_rtf.at(m_pos) == u'-';
        if (negative)
            ++m_pos;
        qint64 value = 0;
        const qsizetype digits = m_pos;
        while (m_pos < m_rtf.size() && m_rtf.at(m_pos).isDigit() && m_rtf.at(m_pos).unicode() < 0x80) {
            if (m_pos - digits < 10)
                value = value * 10 + (m_rtf.at(m_pos).unicode() - u'0');
            ++m_pos;
        }
        w.hasParameter = m_pos > digits;
        value = std::min<qint64>(value, std::numeric_limits<int>::max());
        w.parameter = int(negative ? -value : value);
        if (m_pos < m_rtf.size() && m_rtf.at(m_pos) == u' ')
            ++m_pos; // the delimiter belongs to the word
        return w;
    }

    void controlSymbol(QChar c)
    {
        switch (c.unicode()) {
        case u'\'': hexCharacter(); break;
        case u'~': character(QChar::Nbsp); break;
        case u'_': character(QChar(0x2011)); break;
        case u'*': m_state.destination = Destination::Skip; break;
        case u'\\': case u'{': case u'}': character(c); break;
        case u'\r': case u'\n': paragraph(); break;
        default: break; // optional hyphen, formula and the like
        }
    }

    void hexCharacter()
    {
        bool ok = false;
        const int byte = m_pos + 2 <= m_rtf.size() ? m_rtf.mid(m_pos, 2).toInt(&ok, 16) : 0;
        if (!ok)
            return;
        m_pos += 2;
        character(Windows1252::decode(QByteArray(1, char(byte))).at(0));
    }

    void controlWord(const ControlWord &w)
    {
        if (m_state.destination == Destination::Skip)
            return;
        if (w.word == u"fonttbl") {
            m_state.destination = Destination::FontTable;
        } else if (isSkippedDestination(w.word)) {
            m_state.destination = Destination::Skip;
        } else if (w.word == u"f") {
            if (m_state.destination == Destination::FontTable)
                m_fontNumber = w.parameter;
            else
                setFormat([&] { m_state.font = w.parameter; });
        } else if (m_state.destination == Destination::FontTable) {
            return; // family, charset, pitch: nothing we show
        } else {
            textControlWord(w);
        }
    }

    void textControlWord(const ControlWord &w)
    {
        const bool on = !w.hasParameter || w.parameter != 0;
        if (w.word == u"par" || w.word == u"row" || w.word == u"page" || w.word == u"sect") {
            paragraph();
        } else if (w.word == u"line") {
            character(QChar::LineSeparator);
        } else if (w.word == u"tab" || w.word == u"cell") {
            character(u'\t');
        } else if (w.word == u"pard") {
            m_state.alignment = Qt::AlignLeft | Qt::AlignAbsolute;
        } else if (w.word == u"ql") {
            m_state.alignment = Qt::AlignLeft | Qt::AlignAbsolute;
        } else if (w.word == u"qc") {
            m_state.alignment = Qt::AlignHCenter;
        } else if (w.word == u"qr") {
            m_state.alignment = Qt::AlignRight | Qt::AlignAbsolute;
        } else if (w.word == u"qj") {
            m_state.alignment = Qt::AlignJustify;
        } else if (w.word == u"plain") {
            setFormat([&] {
                m_state.font = m_defaultFont;
                m_state.points = 12;
                m_state.bold = m_state.italic = false;
            });
        } else if (w.word == u"fs") {
            if (w.parameter > 0)
                setFormat([&] { m_state.points = std::min(w.parameter, 3276) / 2.0; });
        } else if (w.word == u"b") {
            setFormat([&] { m_state.bold = on; });
        } else if (w.word == u"i") {
            setFormat([&] { m_state.italic = on; });
        } else if (w.word == u"deff") {
            m_defaultFont = m_state.font = w.parameter;
        } else if (w.word == u"uc") {
            m_state.unicodeSkip = std::max(0, w.parameter);
        } else if (w.word == u"u") {
            character(QChar(char16_t(w.parameter < 0 ? w.parameter + 65536 : w.parameter)));
            m_pendingSkip = m_state.unicodeSkip;
        } else {
            namedCharacter(w.word);
        }
    }

    void namedCharacter(const QString &word)
    {
        static const QHash<QString, char16_t> named{
            {u"emdash"_s, 0x2014},    {u"endash"_s, 0x2013},    {u"bullet"_s, 0x2022},
            {u"lquote"_s, 0x2018},    {u"rquote"_s, 0x2019},    {u"ldblquote"_s, 0x201C},
            {u"rdblquote"_s, 0x201D}, {u"emspace"_s, 0x2003},   {u"enspace"_s, 0x2002},
        };
        const auto it = named.constFind(word);
        if (it != named.constEnd())
            character(QChar(*it));
    }

    void character(QChar c)
    {
        if (m_pendingSkip > 0) {
            // The stand-in a writer put after \u for readers without Unicode.
            --m_pendingSkip;
            return;
        }
        switch (m_state.destination) {
        case Destination::Skip: break;
        case Destination::FontTable:
            if (c == u';')
                commitFontName();
            else
                m_fontName += c;
            break;
        case Destination::Text: m_run += c; break;
        }
    }

    template<typename Change>
    void setFormat(Change change)
    {
        flush();
        change();
    }

    void commitFontName()
    {
        const QString name = m_fontName.trimmed();
        if (!name.isEmpty())
            m_fonts.insert(m_fontNumber, name);
        m_fontName.clear();
    }

    QTextCharFormat format() const
    {
        QTextCharFormat f;
        f.setFontFamilies(QStringList{m_fonts.value(m_state.font, m_defaultFamily)});
        f.setFontPointSize(m_state.points);
        f.setFontWeight(m_state.bold ? QFont::Bold : QFont::Normal);
        f.setFontItalic(m_state.italic);
        return f;
    }

    // Alignment goes with the text: a group that closes after the text must not undo it.
    void flush()
    {
        if (m_run.isEmpty())
            return;
        applyAlignment();
        DocumentText::insert(m_cursor, m_run, format());
        m_run.clear();
    }

    void applyAlignment()
    {
        QTextBlockFormat block;
        block.setAlignment(m_state.alignment);
        m_cursor.mergeBlockFormat(block);
    }

    void paragraph()
    {
        if (m_state.destination != Destination::Text)
            return;
        flush();
        applyAlignment();
        m_cursor.insertBlock(m_cursor.blockFormat(), format());
    }

    QStringView m_rtf;
    qsizetype m_pos = 0;
    QTextCursor &m_cursor;
    QString m_defaultFamily;
    GroupState m_state;
    std::vector<GroupState> m_stack;
    QHash<int, QString> m_fonts;
    int m_defaultFont = 0;
    int m_fontNumber = 0;
    QString m_fontName;
    QString m_run;
    int m_pendingSkip = 0;
};

} // namespace

void RtfReader::read(QStringView rtf, QTextCursor &cursor)
{
    Parser(rtf, cursor).run();
}
