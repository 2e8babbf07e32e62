// What touchdlg's --data holds, told by its content rather than its name, and
// the records of JSON tools (an array of objects, JSON Lines) as a packet.
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

namespace touchdlg {

enum class DataForm {
    Packet,      // a data packet as SaveToFile writes it
    JsonPacket,  // {"fields":[…],"records":[[…],…]}
    JsonRecords, // [{…},{…}] or one object after another (JSON Lines)
    Csv,         // anything else: a header row, then records
};

// The form of data (a UTF-8 byte-order mark is skipped): the packet by its
// header; JSON by its first character ({ or [), the packet form by a
// "fields" or "records" array in the first object; else CSV.
DataForm dataForm(const QByteArray &data);

// The JSON packet of JSON records: an array of objects (as sqlite3 -json, jq
// and json.dumps write them) or objects one after another, one a line (JSON
// Lines). Fields in the order their names first appear; a name a record lacks
// is null there. A value is text, a number, true, false or null; the types
// are guessed as for CSV (tableToJsonPacket), and a number keeps its digits
// as written. Throws UsageError naming the line and record for anything else
// (no records, a record that is not an object, a nested object or array, a
// name given twice, JSON that is not valid, text after the records).
QJsonObject jsonRecordsToJsonPacket(const QByteArray &json, const QString &fields, const QString &source);

} // namespace touchdlg
