// The tabular forms of touchdlg's --data: a CSV text with a header row, and
// records read from JSON (JsonRecords.h), both made into the JSON packet form
// with the same guess of each column's type. The packet is a document, never
// written as text: loadJsonPacket (platform/db/ClientDataSet.h) takes it.
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

namespace touchdlg {

// One value of a table, before its column's type is known: CSV gives text
// only; JSON also says number (text as written), true/false and null.
struct TableValue {
    enum Kind : quint8 { Text, Number, Boolean, Null };
    Kind kind = Null;
    QString text;
};

struct TableRow {
    int line = 0;   // where it starts, for messages
    int record = 0; // its number among JSON records, 0 for CSV
    QList<TableValue> values; // as many as names, or fewer: the rest are null
};

// The JSON packet of a table. Each column's type is guessed from all its
// values: boolean when each is JSON's true or false, integer when each is a
// whole number of 64 bits (largeint beyond 32 bits), else float when each is
// a decimal number (point or comma; JSON numbers with an exponent too) that a
// double gives back exactly, else string; an empty text or a null counts for
// any type. An empty text is null in a number column; a null is null in any.
// Numbers written with a leading zero, and whole numbers beyond 64 bits, are
// codes and stay text. fields ("NAME:TYPE,...", the JSON packet's type names)
// sets the type of the columns it names. source names the input in error
// messages. Throws UsageError for values that are not of a type --fields gives.
QJsonObject tableToJsonPacket(const QStringList &names, const std::vector<TableRow> &rows, const QString &fields,
                              const QString &source);

// The JSON packet of a CSV text (UTF-8, an optional byte-order mark; a byte
// that is not UTF-8 is refused with its line). Values are separated by "," or,
// when the header holds ";" and no ",", by ";"; a value in double quotes may
// hold the separator, line breaks and "" for a quote. Blank lines are skipped.
// Types as tableToJsonPacket guesses them. Throws UsageError for a text that
// is not such a table.
QJsonObject csvToJsonPacket(const QByteArray &csv, const QString &fields, const QString &source);

} // namespace touchdlg
