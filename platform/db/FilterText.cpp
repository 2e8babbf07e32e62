#include "platform/db/FilterText.h"

#include <sqlite3.h>

#include <algorithm>

namespace TouchDialogs::db {

namespace {

// SQLite reads UTF-8 bytes: every byte of a character from U+0080 up is
// 0x80 or more, which its tokenizer takes for a letter of a name. So a
// UTF-16 unit from 0x80 up is one here too.
bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool isXDigit(char16_t c) { return isDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); }
bool isLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_'; }
bool isIdChar(char16_t c) { return c >= 0x80 || isLetter(c) || isDigit(c) || c == u'$'; }
// A token may start with these blanks; a run of blanks may also hold \v.
bool startsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\f' || c == u'\r'; }
bool isBlankChar(char16_t c) { return startsBlank(c) || c == u'\v'; }

bool keyword(const Token &t, const char *word)
{
    return t.kind == Token::Word && t.value.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

bool isName(const Token &t) { return t.kind == Token::Word || t.kind == Token::Quoted; }

// The contents of a quoted run [i, end): doubled closing quotes stand for
// one, except in [] which has no escape.
QString unquote(const QString &s, qsizetype i, qsizetype end, QChar close)
{
    QString value;
    for (qsizetype j = i + 1; j < end - 1; ++j) {
        value += s[j];
        if (close != u']' && s[j] == close)
            ++j;
    }
    return value;
}

// Widths and precisions of a printf() format, each within limits and none
// taken from an argument ("*").
bool boundedFormat(const QString &format)
{
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] != u'%')
            continue;
        ++i;
        while (i < format.size() && QStringView(u"-+ #!0,").contains(format[i]))
            ++i;
        for (int part = 0; part < 2; ++part) {
            if (i < format.size() && format[i] == u'*')
                return false;
            qint64 n = 0;
            while (i < format.size() && isDigit(format[i].unicode())) {
                n = std::min<qint64>(n * 10 + (format[i].unicode() - u'0'), qint64(1) << 40);
                ++i;
            }
            if (n > kMaxFormatWidth)
                return false;
            if (part == 1 || !(i < format.size() && format[i] == u'.'))
                break;
            ++i; // the precision's "."
        }
        // format[i] is the conversion, which the loop steps over.
    }
    return true;
}

} // namespace

Tokenized tokenize(const QString &s)
{
    Tokenized out;
    const qsizetype n = s.size();
    // The text is compiled followed by a line break, which ends a "--"
    // comment and keeps a final "/*" a comment.
    auto at = [&](qsizetype i) -> char16_t { return i < n ? s[i].unicode() : (i == n ? u'\n' : 0); };
    qsizetype i = 0;
    while (i < n) {
        const char16_t c = s[i].unicode();
        if (startsBlank(c) || c == 0xFEFF) { // SQLite skips a byte-order mark starting a token
            ++i;
            while (i < n && isBlankChar(s[i].unicode()))
                ++i;
            continue;
        }
        if (c == u'-' && at(i + 1) == u'-') {
            while (i < n && s[i] != u'\n')
                ++i;
            if (i == n)
                out.openComment = QStringLiteral("\n");
            continue;
        }
        if (c == u'/' && at(i + 1) == u'*') {
            const qsizetype close = s.indexOf(QLatin1String("*/"), i + 2);
            if (close < 0)
                out.openComment = QStringLiteral("*/");
            i = close < 0 ? n : close + 2;
            continue;
        }
        Token t{Token::Other, i, i + 1, {}};
        bool illegal = false;
        if (c == u'\'' || c == u'"' || c == u'`' || c == u'[') {
            const QChar close = c == u'[' ? QChar(u']') : QChar(c);
            qsizetype j = i + 1;
            for (; j < n; ++j) {
                if (s[j] != close)
                    continue;
                if (close != u']' && j + 1 < n && s[j + 1] == close)
                    ++j;
                else
                    break;
            }
            if (j >= n) {
                out.error = c == u'\'' ? QStringLiteral("a text in quotes is not closed")
                                       : QStringLiteral("a quoted name is not closed");
                return out;
            }
            t.kind = c == u'\'' ? Token::String : Token::Quoted;
            t.end = j + 1;
            t.value = unquote(s, i, t.end, close);
        } else if (isDigit(c) || (c == u'.' && isDigit(at(i + 1)))) {
            qsizetype j = i;
            if (c == u'0' && (at(i + 1) == u'x' || at(i + 1) == u'X') && isXDigit(at(i + 2))) {
                for (j = i + 3; isXDigit(at(j)); ++j) {
                }
            } else {
                while (isDigit(at(j)))
                    ++j;
                if (at(j) == u'.')
                    for (++j; isDigit(at(j)); ++j) {
                    }
                if ((at(j) == u'e' || at(j) == u'E')
                    && (isDigit(at(j + 1)) || ((at(j + 1) == u'+' || at(j + 1) == u'-') && isDigit(at(j + 2)))))
                    for (j += 2; isDigit(at(j)); ++j) {
                    }
            }
            for (; j < n && isIdChar(s[j].unicode()); ++j)
                illegal = true; // "12abc"
            t.kind = Token::Number;
            t.end = j;
        } else if ((c == u'x' || c == u'X') && at(i + 1) == u'\'') {
            qsizetype j = i + 2;
            while (isXDigit(at(j)))
                ++j;
            if (at(j) != u'\'' || (j - i) % 2) {
                illegal = true;
                while (j < n && s[j] != u'\'')
                    ++j;
            }
            t.kind = Token::Blob;
            t.end = std::min(j + 1, n);
        } else if (isIdChar(c) && !isDigit(c) && c != u'$') {
            qsizetype j = i;
            while (j < n && isIdChar(s[j].unicode()))
                ++j;
            t.kind = Token::Word;
            t.end = j;
        } else if (c == u'?') {
            qsizetype j = i + 1;
            while (isDigit(at(j)))
                ++j;
            t.kind = Token::Variable;
            t.end = j;
        } else if (c == u'$' || c == u'@' || c == u'#' || c == u':') {
            // Parameter names, with the Tcl forms $a::b and $a(…).
            qsizetype j = i + 1;
            int letters = 0;
            for (; j < n; ++j) {
                const char16_t d = s[j].unicode();
                if (isIdChar(d)) {
                    ++letters;
                } else if (d == u'(' && letters > 0) {
                    do
                        ++j;
                    while (j < n && !isBlankChar(s[j].unicode()) && s[j] != u')');
                    if (j < n && s[j] == u')')
                        ++j;
                    else
                        illegal = true;
                    break;
                } else if (d == u':' && at(j + 1) == u':') {
                    ++j;
                } else {
                    break;
                }
            }
            illegal = illegal || letters == 0;
            t.kind = Token::Variable;
            t.end = j;
        } else if (c == u'(') {
            t.kind = Token::LParen;
        } else if (c == u')') {
            t.kind = Token::RParen;
        } else if (c == u';') {
            t.kind = Token::Semicolon;
        } else if (c == u',') {
            t.kind = Token::Comma;
        } else if (c == u'-') {
            t.end = at(i + 1) == u'>' ? i + (at(i + 2) == u'>' ? 3 : 2) : i + 1;
        } else if (c == u'<') {
            t.end = at(i + 1) == u'=' || at(i + 1) == u'>' || at(i + 1) == u'<' ? i + 2 : i + 1;
        } else if (c == u'>') {
            t.end = at(i + 1) == u'=' || at(i + 1) == u'>' ? i + 2 : i + 1;
        } else if (c == u'=') {
            t.end = at(i + 1) == u'=' ? i + 2 : i + 1;
        } else if (c == u'|') {
            t.end = at(i + 1) == u'|' ? i + 2 : i + 1;
        } else if (c == u'!') {
            illegal = at(i + 1) != u'=';
            t.end = illegal ? i + 1 : i + 2;
        } else if (!QStringView(u"+*/%&~.").contains(QChar(c))) {
            illegal = true; // \ ^ { } and control characters
        }
        if (t.kind != Token::String && t.kind != Token::Quoted)
            t.value = s.mid(t.start, t.end - t.start);
        if (illegal) {
            out.error = QStringLiteral("SQLite does not recognise \"%1\"").arg(t.value);
            return out;
        }
        i = t.end;
        out.tokens.push_back(std::move(t));
    }
    return out;
}

bool isBlank(const Tokenized &tk)
{
    return tk.error.isEmpty() && tk.tokens.empty();
}

ExpressionCheck checkExpression(const Tokenized &tk)
{
    ExpressionCheck check;
    if (!tk.error.isEmpty()) {
        check.invalid = tk.error;
        return check;
    }
    if (tk.openComment == QLatin1String("*/")) {
        check.invalid = QStringLiteral("a comment opened with /* is not closed");
        return check;
    }
    const std::vector<Token> &t = tk.tokens;
    int depth = 0;
    for (size_t k = 0; k < t.size(); ++k) {
        const Token &token = t[k];
        const Token *next = k + 1 < t.size() ? &t[k + 1] : nullptr;
        switch (token.kind) {
        case Token::Semicolon:
            check.invalid = QStringLiteral("it holds more than one statement");
            return check;
        case Token::Variable:
            check.invalid = QStringLiteral("it holds the parameter %1, which has no value here (write the value itself)")
                                .arg(token.value);
            return check;
        case Token::LParen:
            if (++depth > kMaxFilterDepth) {
                check.invalid = QStringLiteral("it nests parentheses more than %1 deep").arg(kMaxFilterDepth);
                return check;
            }
            break;
        case Token::RParen:
            if (--depth < 0) {
                check.invalid = QStringLiteral("a closing parenthesis has no opening one");
                return check;
            }
            break;
        default:
            break;
        }
        if (!check.notAllowed.isEmpty())
            continue;
        if (keyword(token, "SELECT") || keyword(token, "VALUES")
            || (keyword(token, "IN") && (!next || next->kind != Token::LParen)))
            check.notAllowed = QStringLiteral("a sub-query");
        else if (isName(token) && next && next->kind == Token::LParen
                 && (token.value.compare(QLatin1String("printf"), Qt::CaseInsensitive) == 0
                     || token.value.compare(QLatin1String("format"), Qt::CaseInsensitive) == 0)) {
            const Token *format = k + 2 < t.size() ? &t[k + 2] : nullptr;
            const Token *after = k + 3 < t.size() ? &t[k + 3] : nullptr;
            if (!format || format->kind != Token::String || !after
                || (after->kind != Token::Comma && after->kind != Token::RParen) || !boundedFormat(format->value))
                check.notAllowed = QStringLiteral("%1() with a format that is not a text in quotes with widths and "
                                                  "precisions of at most %2")
                                       .arg(token.value)
                                       .arg(kMaxFormatWidth);
        }
    }
    if (depth != 0)
        check.invalid = QStringLiteral("a parenthesis is not closed");
    return check;
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

QString filterName(const QString &field)
{
    return isPlainIdentifier(field) ? field : u'"' + QString(field).replace(u'"', QLatin1String("\"\"")) + u'"';
}

PrefixView prefixViewOf(TFieldType type, bool ignoreAccents)
{
    switch (type) {
    case ftFloat:
    case ftCurrency:
    case ftBoolean:
    case ftDate:
    case ftTime:
    case ftDateTime:
        return {PrefixView::Shown, type};
    case ftString:
    case ftMemo:
        return {ignoreAccents ? PrefixView::Unaccented : PrefixView::Value, ftUnknown};
    default:
        return {};
    }
}

QString prefixCondition(const QString &field, const QString &prefix, PrefixView view)
{
    QString name = filterName(field);
    if (view.kind == PrefixView::Unaccented)
        name = QStringLiteral("UNACCENT(") + name + u')';
    else if (view.kind == PrefixView::Shown)
        name = QStringLiteral("ASSTRING(") + name + QStringLiteral(", '") + fieldTypeName(view.type) + QStringLiteral("')");
    return QStringLiteral("UPPER(") + name + QStringLiteral(") LIKE '") + prefix + QStringLiteral("%'");
}

PrefixSplit splitPrefixSearch(const QString &text)
{
    PrefixSplit split;
    const Tokenized tk = tokenize(text);
    if (!checkExpression(tk).invalid.isEmpty())
        return split;
    const std::vector<Token> &t = tk.tokens;
    const size_t n = t.size();
    if (n < 6)
        return split;
    // ... UPPER ( <view of field> ) LIKE 'pattern'
    const Token &close = t[n - 3], &like = t[n - 2], &pattern = t[n - 1];
    if (close.kind != Token::RParen || !keyword(like, "LIKE") || pattern.kind != Token::String)
        return split;
    const QString &p = pattern.value;
    if (p.isEmpty() || !p.endsWith(u'%'))
        return split;
    const QString prefix = p.left(p.size() - 1);
    if (prefix.contains(u'%') || prefix.contains(u'_'))
        return split;
    auto isComma = [](const Token &k) { return k.kind == Token::Comma; };
    // The view: UPPER(f), UPPER(UNACCENT(f)) or UPPER(ASSTRING(f, 'type')).
    size_t k = 0; // tokens of the condition
    const Token *field = nullptr, *fieldEnd = nullptr;
    if (keyword(t[n - 6], "UPPER") && t[n - 5].kind == Token::LParen && isName(t[n - 4])) {
        k = 6;
        field = &t[n - 4];
        fieldEnd = &t[n - 3];
    } else if (n >= 9 && keyword(t[n - 9], "UPPER") && t[n - 8].kind == Token::LParen
               && keyword(t[n - 7], "UNACCENT") && t[n - 6].kind == Token::LParen && isName(t[n - 5])
               && t[n - 4].kind == Token::RParen) {
        k = 9;
        field = &t[n - 5];
        fieldEnd = &t[n - 4];
        split.view.kind = PrefixView::Unaccented;
    } else if (n >= 11 && keyword(t[n - 11], "UPPER") && t[n - 10].kind == Token::LParen
               && keyword(t[n - 9], "ASSTRING") && t[n - 8].kind == Token::LParen && isName(t[n - 7])
               && isComma(t[n - 6]) && t[n - 5].kind == Token::String && t[n - 4].kind == Token::RParen) {
        const TFieldType type = fieldTypeFromName(t[n - 5].value);
        if (type == ftUnknown)
            return split;
        k = 11;
        field = &t[n - 7];
        fieldEnd = &t[n - 6];
        split.view = {PrefixView::Shown, type};
    } else {
        return split;
    }

    if (n > k) {
        // <base> AND …: the AND must join the whole base, so the base may not
        // hold, outside parentheses, an OR (lower precedence) or a BETWEEN
        // (whose own AND would take ours).
        if (n < k + 2 || !keyword(t[n - k - 1], "AND"))
            return split;
        int depth = 0;
        for (size_t i = 0; i + k + 1 < n; ++i) {
            const Token &b = t[i];
            if (b.kind == Token::LParen || keyword(b, "CASE"))
                ++depth;
            else if (b.kind == Token::RParen || keyword(b, "END"))
                --depth;
            else if (depth == 0 && (keyword(b, "OR") || keyword(b, "BETWEEN")))
                return split;
            if (depth < 0)
                return split;
        }
        if (depth != 0)
            return split;
        split.base = text.mid(t[0].start, t[n - k - 2].end - t[0].start);
    }
    split.matched = true;
    split.field = field->value;
    split.fieldText = text.mid((field - 1)->end, fieldEnd->start - (field - 1)->end);
    split.prefix = prefix;
    return split;
}

} // namespace TouchDialogs::db
