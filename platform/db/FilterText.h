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
};

Tokenized tokenize(const QString &text);

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
