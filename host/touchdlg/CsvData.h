// The CSV form of touchdlg's --data: a header row of field names, then one
// record per row. What a spreadsheet exports, read into the JSON packet form.
#pragma once

#include <QByteArray>
#include <QString>

namespace touchdlg {

// The JSON packet of a CSV text (UTF-8, an optional byte-order mark). Values
// are separated by "," or, when the header holds ";" and no ",", by ";"; a
// value in double quotes may hold the separator, line breaks and "" for a
// quote. Blank lines are skipped. Each column's type is guessed from all its
// values: integer (largeint beyond 32 bits), else float (a decimal point or
// comma), else string; an empty value counts for any type and is null in a
// number column. Numbers written with a leading zero are codes and stay text.
// fields ("NAME:TYPE,...", the JSON packet's type names) sets the type of the
// columns it names. source names the input in error messages. Throws
// UsageError for a text that is not such a table.
QByteArray csvToJsonPacket(const QByteArray &csv, const QString &fields, const QString &source);

} // namespace touchdlg
