#include "platform/db/FilterText.h"

#include <sqlite3.h>

#include <algorithm>

namespace TouchDialogs::db {

namespace {

bool isIdStart(QChar c)
{
    return c.isLetter() || c == u'_' || c.unicode() >= 0x80;
}

bool isIdPart(QChar c)
{
    return isIdStart(c) || c.isDigit() || c == u'$';
}

bool keyword(const Token &t, const char *word)
{
    return t.kind == Token::Word && t.value.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

// Reads a quoted run starting at i (the opening quote); doubled closing
// quotes stand for one. Returns the index after the closing quote, or -1.
qsizetype readQuoted(const QString &s, qsizetype i, QChar close, QString &value)
{
    for (qsizetype j = i + 1; j < s.size(); ++j) {
        if (s[j] != close) {
            value += s[j];
            continue;
        }
        if (close != u']' && j + 1 < s.size() && s[j + 1] == close) {
            value += close;
            ++j;
            continue;
        }
        return j + 1;
    }
    return -1;
}

} // namespace

Tokenized tokenize(const QString &s)
{
    Tokenized out;
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n) {
        const QChar c = s[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        if (c == u'-' && i + 1 < n && s[i + 1] == u'-') {
            while (i < n && s[i] != u'\n')
                ++i;
            if (i == n)
                out.openComment = QStringLiteral("\n");
            continue;
        }
        if (c == u'/' && i + 1 < n && s[i + 1] == u'*') {
            // SQLite lets a block comment run to the end of the text.
            const qsizetype end = s.indexOf(QLatin1String("*/"), i + 2);
            if (end < 0)
                out.openComment = QStringLiteral("*/");
            i = end < 0 ? n : end + 2;
            continue;
        }
        Token t{Token::Other, i, i + 1, {}};
        if (c == u'\'' || c == u'"' || c == u'`' || c == u'[') {
            const QChar close = c == u'[' ? QChar(u']') : c;
            const qsizetype end = readQuoted(s, i, close, t.value);
            if (end < 0) {
                out.error = c == u'\'' ? QStringLiteral("a text in quotes is not closed")
                                       : QStringLiteral("a quoted name is not closed");
                return out;
            }
            t.kind = c == u'\'' ? Token::String : Token::Quoted;
            t.end = end;
        } else if (c.isDigit() || (c == u'.' && i + 1 < n && s[i + 1].isDigit())) {
            qsizetype j = i;
            while (j < n && (s[j].isLetterOrNumber() || s[j] == u'.' || s[j] == u'_'
                             || ((s[j] == u'+' || s[j] == u'-') && (s[j - 1] == u'e' || s[j - 1] == u'E'))))
                ++j;
            t.kind = Token::Number;
            t.end = j;
        } else if (isIdStart(c)) {
            qsizetype j = i;
            while (j < n && isIdPart(s[j]))
                ++j;
            t.kind = Token::Word;
            t.end = j;
            t.value = s.mid(i, j - i);
        } else if (c == u'(') {
            t.kind = Token::LParen;
        } else if (c == u')') {
            t.kind = Token::RParen;
        } else if (c == u';') {
            t.kind = Token::Semicolon;
        }
        i = t.end;
        out.tokens.push_back(std::move(t));
    }
    return out;
}

bool hasTopLevelOr(const std::vector<Token> &tokens)
{
    int depth = 0;
    for (const Token &t : tokens) {
        if (t.kind == Token::LParen || keyword(t, "CASE"))
            ++depth;
        else if (t.kind == Token::RParen || keyword(t, "END"))
            depth = std::max(0, depth - 1);
        else if (depth == 0 && keyword(t, "OR"))
            return true;
    }
    return false;
}

bool isPlainIdentifier(const QString &name)
{
    const Tokenized tk = tokenize(name);
    if (!tk.error.isEmpty() || tk.tokens.size() != 1 || tk.tokens[0].kind != Token::Word
        || tk.tokens[0].start != 0 || tk.tokens[0].end != name.size())
        return false;
    const QByteArray utf8 = name.toUtf8();
    return sqlite3_keyword_check(utf8.constData(), int(utf8.size())) == 0;
}

QString prefixCondition(const QString &field, const QString &prefix)
{
    const QString name = isPlainIdentifier(field)
                             ? field
                             : u'"' + QString(field).replace(u'"', QLatin1String("\"\"")) + u'"';
    return QStringLiteral("UPPER(") + name + QStringLiteral(") LIKE '") + prefix + QStringLiteral("%'");
}

PrefixSplit splitPrefixSearch(const QString &text)
{
    PrefixSplit split;
    const Tokenized tk = tokenize(text);
    if (!tk.error.isEmpty())
        return split;
    const std::vector<Token> &t = tk.tokens;
    const size_t n = t.size();
    if (n < 6)
        return split;
    // ... UPPER ( field ) LIKE 'pattern'
    const Token &upper = t[n - 6], &open = t[n - 5], &field = t[n - 4], &close = t[n - 3], &like = t[n - 2],
                &pattern = t[n - 1];
    if (!keyword(upper, "UPPER") || open.kind != Token::LParen || close.kind != Token::RParen
        || !keyword(like, "LIKE") || pattern.kind != Token::String)
        return split;
    if (field.kind != Token::Word && field.kind != Token::Quoted)
        return split;
    const QString &p = pattern.value;
    if (p.isEmpty() || !p.endsWith(u'%'))
        return split;
    const QString prefix = p.left(p.size() - 1);
    if (prefix.contains(u'%') || prefix.contains(u'_'))
        return split;

    if (n > 6) {
        // <base> AND …: the AND must join the whole base, so the base may not
        // hold, outside parentheses, an OR (lower precedence) or a BETWEEN
        // (whose own AND would take ours).
        if (n < 8 || !keyword(t[n - 7], "AND"))
            return split;
        int depth = 0;
        for (size_t i = 0; i + 7 < n; ++i) {
            const Token &k = t[i];
            if (k.kind == Token::LParen || keyword(k, "CASE"))
                ++depth;
            else if (k.kind == Token::RParen || keyword(k, "END"))
                --depth;
            else if (k.kind == Token::Semicolon)
                return split;
            else if (depth == 0 && (keyword(k, "OR") || keyword(k, "BETWEEN")))
                return split;
            if (depth < 0)
                return split;
        }
        if (depth != 0)
            return split;
        split.base = text.left(t[n - 7].start).trimmed();
    }
    split.matched = true;
    split.field = field.value;
    split.fieldText = text.mid(open.end, close.start - open.end);
    split.prefix = prefix;
    return split;
}

} // namespace TouchDialogs::db
