// Reading a filter text as SQLite would tokenize it: enough to refuse a
// second statement or unbalanced parentheses before SQLite sees the text,
// and to recognise the search dialogs' shape
//     <base> AND UPPER(<field>) LIKE '<TEXT>%'
// whose last condition the dataset evaluates natively.
#pragma once

#include <QString>
#include <vector>

namespace TouchDialogs::db {

struct Token {
    enum Kind { Word, Quoted, String, Number, LParen, RParen, Semicolon, Other };
    Kind kind;
    qsizetype start;
    qsizetype end;
    QString value; // unquoted identifier or string contents
};

struct Tokenized {
    std::vector<Token> tokens;
    QString error; // empty when the text tokenizes
    // What ends a comment still open at the end of the text: "\n" after
    // "--", "*/" after "/*"; empty when the text ends outside a comment.
    QString openComment;
};

Tokenized tokenize(const QString &text);

// True when the tokens hold an OR outside parentheses and CASE ... END: a
// text joined to more by AND then needs parentheses of its own.
bool hasTopLevelOr(const std::vector<Token> &tokens);

// True when the name may stand bare in a filter: one word token that SQLite
// does not take for a keyword (NULL, ORDER, ...).
bool isPlainIdentifier(const QString &name);

// UPPER(<field>) LIKE '<prefix>%', the field quoted unless it is a plain
// identifier: the condition splitPrefixSearch recognises.
QString prefixCondition(const QString &field, const QString &prefix);

// The split of a prefix-search filter. base is empty when the whole text is
// the prefix condition.
struct PrefixSplit {
    bool matched = false;
    QString base;
    QString field;   // the identifier, unquoted
    QString fieldText; // the identifier as written between the parentheses
    QString prefix;  // the pattern without its final "%"
};

PrefixSplit splitPrefixSearch(const QString &text);

} // namespace TouchDialogs::db
