// The CSV form of touchdlg's --data: a header row of field names, then one
// record per row. What a spreadsheet exports, read into the JSON packet form.
#pragma once

#include <QByteArray>
#include <QString>

namespace touchdlg {

// The JSON packet of a CSV text (UTF-8, an optional byte-order mark; a byte
// that is not UTF-8 is refused with its line). Values are separated by "," or,
// when the header holds ";" and no ",", by ";"; a value in double quotes may
// hold the separator, line breaks and "" for a quote. Blank lines are skipped.
// Each column's type is guessed from all its values: integer when each is a
// whole number of 64 bits (largeint beyond 32 bits), else float when each is
// a decimal number (point or comma) that a double gives back exactly, else
// string; an empty value counts for any type and is null in a number column.
// Numbers written with a leading zero, and whole numbers beyond 64 bits, are
// codes and stay text. fields ("NAME:TYPE,...", the JSON packet's type names)
// sets the type of the columns it names. source names the input in error
// messages. Throws UsageError for a text that is not such a table.
QByteArray csvToJsonPacket(const QByteArray &csv, const QString &fields, const QString &source);

} // namespace touchdlg
