// Reading a filter text token by token exactly as SQLite's tokenizer does,
// so that what the dataset decides about a filter is what SQLite will see:
// whether it is one self-contained expression (no second statement, no
// parameter, no parenthesis closing one it did not open), and whether it
// has the search dialogs' shape
//     <base> AND UPPER(<field>) LIKE '<TEXT>%'
// (or UPPER(UNACCENT(<field>)), UPPER(ASSTRING(<field>, '<type>'))) whose
// last condition the dataset evaluates natively. The text is read as
// the dataset compiles it: followed by a line break.
#pragma once

#include <TouchDialogs/Fields.h>

#include <QString>
#include <vector>

namespace TouchDialogs::db {

struct Token {
    enum Kind {
        Word,     // a name or a keyword, unquoted
        Quoted,   // a name in "", [] or ``
        String,   // a text in ''
        Blob,     // X'…'
        Number,
        Variable, // a parameter: ?, ?1, :a, @a, $a, #a
        LParen,
        RParen,
        Semicolon,
        Comma,
        Other     // an operator or a dot
    };
    Kind kind;
    qsizetype start;
    qsizetype end;
    QString value; // unquoted identifier or string contents; the text of other tokens
};

struct Tokenized {
    std::vector<Token> tokens;
    QString error; // empty when every token is one SQLite accepts
    // What ends a comment still open at the end of the text: "\n" after
    // "--", "*/" after "/*"; empty when the text ends outside a comment.
    QString openComment;
};

Tokenized tokenize(const QString &text);

// True when the text holds nothing but blanks and comments.
bool isBlank(const Tokenized &tk);

// What keeps a tokenized filter from being one self-contained expression
// over the record alone. invalid: it is not one expression (a second
// statement, a parameter, unbalanced or too deep parentheses, an unclosed
// comment);
// notAllowed: it reads more than the record (a sub-query) or asks for
// unbounded work (a printf() width). Both empty when neither.
struct ExpressionCheck {
    QString invalid;
    QString notAllowed;
};
ExpressionCheck checkExpression(const Tokenized &tk);

// The widest field printf() and format() may write in a filter.
constexpr int kMaxFormatWidth = 1000;

// The deepest a filter may nest parentheses: well inside what every SQLite
// we build against parses (3.40's parser stack ends near 90), so a filter
// is accepted or refused the same way on each of them.
constexpr int kMaxFilterDepth = 64;

// True when the tokens hold an OR outside parentheses and CASE ... END: a
// text joined to more by AND then needs parentheses of its own.
bool hasTopLevelOr(const std::vector<Token> &tokens);

// True when the name may stand bare in a filter: one word token that SQLite
// does not take for a keyword (NULL, ORDER, ...).
bool isPlainIdentifier(const QString &name);

// A field's name as a filter writes it: quoted unless it is a plain identifier.
QString filterName(const QString &field);

// What a prefix condition compares with the typed text: the value as
// SQLite reads it, its text without accents (UNACCENT), or its text as the
// grid shows it (ASSTRING with the field's type: decimal comma,
// dd/mm/yyyy dates).
struct PrefixView {
    enum Kind { Value, Unaccented, Shown };
    Kind kind = Value;
    TFieldType type = ftUnknown; // Shown: the type whose text it is
    bool operator==(const PrefixView &) const = default;
};

// What the typed text is compared with in a field of this type: what the
// grid shows for dates, times, decimals and booleans (their stored forms are
// not what the user reads), else the value; without accents when the host
// asked for that.
PrefixView prefixViewOf(TFieldType type, bool ignoreAccents);

// UPPER(<field>) LIKE '<prefix>%', the field quoted unless it is a plain
// identifier and wrapped as the view says: the condition splitPrefixSearch
// recognises.
QString prefixCondition(const QString &field, const QString &prefix, PrefixView view = {});

// The split of a prefix-search filter. base is empty when the whole text is
// the prefix condition.
struct PrefixSplit {
    bool matched = false;
    QString base;      // the base's tokens as written, without the comments around them
    QString field;     // the identifier, unquoted
    QString fieldText; // the identifier as written between the parentheses
    QString prefix;    // the pattern without its final "%"
    PrefixView view;
};

PrefixSplit splitPrefixSearch(const QString &text);

} // namespace TouchDialogs::db
