// The data packet: the SQLite image of a database holding the table
// "fields" (the field definitions) and the table "records" (a column per
// field and a hidden _pos for the natural order). The schema this system
// writes, the defensive reading of a packet from outside, and the writer
// that puts a table's records into the image without SQLite.
#pragma once

#include "platform/db/RecordTable.h"
#include "platform/db/Sqlite.h"

#include <functional>

namespace TouchDialogs::db {

// The records table's statement as createSchema() writes it.
QByteArray recordsTable(const std::vector<FieldInfo> &fields);
// Writes the empty schema for these fields into db.
void createSchema(sqlite3 *db, const std::vector<FieldInfo> &fields);

// Gives db, a new connection, a copy of packet as its database; raises
// EDatabaseError unless it is an SQLite image a store can open and write
// (its size fitting its page size, file format 1 or 2).
void openPacket(sqlite3 *db, const QByteArray &packet);
// The records of the packet open in db, every value checked against its
// field; raises EDatabaseError saying what is wrong with it.
RecordTable readPacket(sqlite3 *db);

// The image of db (holding createSchema()'s empty schema for the table's
// fields) with the table's records written into it directly; null when db
// is not what the writer assumes or a record needs overflow pages: SQLite
// writes them then.
QByteArray imageWithRecords(sqlite3 *db, const RecordTable &table);

// Tests only: makes a store's database differ from what the page writer
// assumes, and tells what the writer then did.
struct PageWriterProbe {
    std::function<void(sqlite3 *)> created; // a new store's empty database, before its tables
    std::function<void(sqlite3 *)> filled;  // a filled store's, before the writer checks it
    const char *fellBack = nullptr;         // why it last left the records to SQL; null: it wrote them
};
inline PageWriterProbe *pageWriterProbe = nullptr;

} // namespace TouchDialogs::db
