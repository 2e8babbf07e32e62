#include "platform/db/SqlFunctions.h"
#include "platform/db/Values.h"

namespace TouchDialogs::db {

namespace {

void resultText(sqlite3_context *context, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_result_text(context, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

QString argText(sqlite3_value *value)
{
    const auto *bytes = reinterpret_cast<const char *>(sqlite3_value_text(value));
    return textOf(QByteArrayView(bytes, sqlite3_value_bytes(value)));
}

void asString(sqlite3_context *context, int, sqlite3_value **argv)
{
    const TFieldType type = fieldTypeFromName(argText(argv[1]));
    if (type == ftUnknown) {
        const QByteArray why = "ASSTRING: '" + argText(argv[1]).toUtf8() + "' is not a field type";
        sqlite3_result_error(context, why.constData(), int(why.size()));
        return;
    }
    sqlite3_value *v = argv[0];
    if (sqlite3_value_type(v) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    // The value as the field's storage holds it.
    Cell cell;
    switch (storageOf(type)) {
    case Storage::Int:
        cell = Cell::ofInt(sqlite3_value_int64(v));
        break;
    case Storage::Real:
        cell = Cell::ofReal(sqlite3_value_double(v));
        break;
    case Storage::Text:
        cell = Cell::ofText(argText(v).toUtf8());
        break;
    }
    resultText(context, toDisplay(cell, type));
}

void unaccent(sqlite3_context *context, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    resultText(context, unaccented(argText(argv[0])));
}

} // namespace

void registerFunctions(sqlite3 *db)
{
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    sqlite3_create_function_v2(db, "asstring", 2, flags, nullptr, asString, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "unaccent", 1, flags, nullptr, unaccent, nullptr, nullptr, nullptr);
}

} // namespace TouchDialogs::db
