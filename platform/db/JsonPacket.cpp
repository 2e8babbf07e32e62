// The JSON form of a dataset read: a fast reader for the usual, valid text,
// and the document reader that decides everything else and names faults.
// Both fill the records' columns (JsonColumns), each value by the rules of
// JsonValues.h.
#include "platform/db/ClientDataSet.h"
#include "platform/db/JsonValues.h"
#include "platform/db/RecordStore.h"
#include "platform/rtl/Exceptions.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <charconv>
#include <cstring>
#include <cmath>
#include <string>

namespace TouchDialogs {

using db::badJson;
using db::Cell;
using db::FieldInfo;
using db::JsonKind;
using db::RecordStore;

namespace {

// The fields of a JSON packet, checked; sized tells which declare a size.
// Raises EDatabaseError.
std::vector<FieldInfo> jsonFields(const QJsonArray &fields, std::vector<bool> &sized)
{
    if (fields.size() > db::kMaxFields)
        throw badJson(QStringLiteral("it has %1 fields, more than %2").arg(fields.size()).arg(db::kMaxFields));
    std::vector<FieldInfo> infos;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const QJsonObject o = fields[i].toObject();
        const QJsonValue name = o.value(QStringLiteral("name")), type = o.value(QStringLiteral("type"));
        if (!fields[i].isObject() || !name.isString())
            throw badJson(QStringLiteral("field %1 has no name").arg(i + 1));
        FieldInfo f;
        f.name = name.toString();
        f.type = fieldTypeFromName(type.toString());
        if (f.type == ftUnknown)
            throw badJson(QStringLiteral("field %1 (\"%2\") has the unknown type \"%3\"").arg(i + 1).arg(f.name, QString::fromUtf8(db::jsonText(type))));
        const QJsonValue size = o.value(QStringLiteral("size"));
        if (!size.isUndefined()) {
            const double d = size.toDouble(-1);
            if (!size.isDouble() || d < 0 || d != std::floor(d))
                throw badJson(QStringLiteral("field \"%1\" has a size that is not a whole number").arg(f.name));
            if (d > db::kMaxFieldSize)
                throw badJson(QStringLiteral("Field '%1' has the size %2 (from 0 to %3)")
                                  .arg(f.name, QString::fromUtf8(db::jsonText(size)))
                                  .arg(db::kMaxFieldSize));
            f.size = int(d);
        }
        sized.push_back(!size.isUndefined());
        const QJsonValue label = o.value(QStringLiteral("label"));
        const QJsonValue visible = o.value(QStringLiteral("visible")), required = o.value(QStringLiteral("required"));
        if ((!label.isUndefined() && !label.isString()) || (!visible.isUndefined() && !visible.isBool())
            || (!required.isUndefined() && !required.isBool()))
            throw badJson(QStringLiteral("field \"%1\": \"label\" must be text, \"visible\" and \"required\" true or false")
                              .arg(f.name));
        f.label = label.toString();
        if (f.label == f.name)
            f.label.clear();
        f.visible = visible.toBool(true);
        f.required = required.toBool(false);
        f.storage = db::storageOf(f.type);
        infos.push_back(f);
    }
    if (const QString why = db::fieldsProblem(infos); !why.isEmpty())
        throw badJson(why);

    return infos;
}

// The records of a JSON packet, filled a column at a time: the fast reader
// fills them value by value from the text; the document reader, and
// touchdlg's other forms through loadJsonPacket, from a document's values.
struct JsonColumns {
    std::vector<FieldInfo> infos;
    std::vector<bool> sized; // which fields declare a size
    std::vector<db::Column> columns;
    // The longest value of each string field without a declared size, in
    // UTF-16 units: the size it takes.
    std::vector<size_t> longest;
    int count = 0;

    // Raises EDatabaseError.
    void define(const QJsonArray &fields)
    {
        infos = jsonFields(fields, sized);
        for (const FieldInfo &f : infos)
            columns.emplace_back(f.storage);
        longest.assign(infos.size(), 1);
    }
    // Room for rows 1 to rows.
    void reserve(size_t rows)
    {
        for (db::Column &c : columns)
            c.resize(rows + 1);
    }

    // The next record from a document, into rows already made room for;
    // raises EDatabaseError naming it.
    void append(const QJsonValue &record)
    {
        const qsizetype r = count;
        const size_t n = infos.size();
        if (!record.isArray() || record.toArray().size() != qsizetype(n))
            throw badJson(QStringLiteral("record %1 is not an array of %2 values").arg(r + 1).arg(n));
        const QJsonArray values = record.toArray();
        const int row = ++count;
        for (size_t f = 0; f < n; ++f) {
            const FieldInfo &info = infos[f];
            const Cell c = db::jsonCell(values[qsizetype(f)], info, r);
            if (c.kind == Cell::Null && info.required)
                throw badJson(QStringLiteral("record %1 holds no value in the required field \"%2\"").arg(r + 1).arg(info.name));
            if (info.type == ftString && !sized[f] && c.kind == Cell::Text)
                longest[f] = std::max(longest[f], size_t(db::textOf(c.text).size()));
            columns[f].set(row, c);
        }
    }

    // Sizes the string fields without a declared size by their longest
    // value; false, with that field, when one is longer than any size.
    bool sizeStrings(size_t &tooLong)
    {
        for (size_t f = 0; f < infos.size(); ++f) {
            if (infos[f].type != ftString || sized[f])
                continue;
            if (longest[f] > size_t(db::kMaxFieldSize)) {
                tooLong = f;
                return false;
            }
            infos[f].size = int(longest[f]);
        }
        return true;
    }

    std::unique_ptr<RecordStore> store()
    {
        return RecordStore::createFilled(std::move(infos), std::move(columns), count);
    }
};

// Reads a JSON packet in one pass straight into columns, without building a
// document: the common, valid form (one "fields" array, then "records").
// Whatever it does not take as plainly valid (a syntax error, a value its
// field refuses, an escape it does not decode, keys out of that order)
// makes it give up, and the document reader then accepts or refuses the
// text and names the fault. So it never decides anything the document
// reader would decide otherwise.
// A file is read through a window of 2 MiB, refilled when less than a
// record's room is ahead: a longer record (or a value skipped) is left to
// the document reader. The fuzzer makes both small, so that its inputs span
// windows.
size_t g_jsonWindow = size_t(2) << 20, g_jsonRoom = size_t(512) << 10;

class FastReader {
public:
    explicit FastReader(const QByteArray &json)
        : m_p(json.constData()), m_end(json.constData() + json.size()), m_begin(m_p), m_size(size_t(json.size()))
    {
    }
    // A regular file from its current position, read in pieces through one
    // window: the text is never whole in memory, and no memory is touched
    // for it but the window's.
    explicit FastReader(QFile &file)
        : m_file(&file), m_buffer(std::make_unique_for_overwrite<char[]>(g_jsonWindow)),
          m_size(size_t(std::max<qint64>(0, file.size() - file.pos()))), m_atEnd(false)
    {
        // The part of the window the text will fill, in one call.
        db::prepareNewPages(m_buffer.get(), std::min(g_jsonWindow, m_size));
        m_p = m_end = m_begin = m_buffer.get();
        more(g_jsonWindow);
    }

    // The store, or null when the document reader must decide.
    std::unique_ptr<RecordStore> read()
    {
        skipSpace();
        if (!eat('{'))
            return nullptr;
        bool haveFields = false, haveRecords = false;
        for (bool first = true;; first = false) {
            more(g_jsonRoom);
            skipSpace();
            if (first && eat('}'))
                break;
            std::string_view key;
            if (!rawKey(key))
                return nullptr;
            skipSpace();
            if (!eat(':'))
                return nullptr;
            skipSpace();
            if (key == "fields") {
                if (haveFields || !fields())
                    return nullptr;
                haveFields = true;
            } else if (key == "records") {
                if (haveRecords || !haveFields || !records())
                    return nullptr;
                haveRecords = true;
            } else if (!skipValue(0)) {
                return nullptr;
            }
            skipSpace();
            if (eat('}'))
                break;
            if (!eat(','))
                return nullptr;
        }
        more(g_jsonRoom);
        skipSpace();
        size_t tooLong = 0;
        if (m_p != m_end || !m_atEnd || !haveFields || !m_records.sizeStrings(tooLong))
            return nullptr;
        return m_records.store();
    }

private:
    // At least `need` bytes ahead of m_p, or all that is left of the text.
    void more(size_t need)
    {
        if (!m_file || m_atEnd || size_t(m_end - m_p) >= need)
            return;
        char *window = m_buffer.get();
        const size_t ahead = size_t(m_end - m_p);
        m_before += size_t(m_p - m_begin);
        std::memmove(window, m_p, ahead);
        m_p = window;
        char *end = window + ahead;
        while (end != window + g_jsonWindow) {
            const qint64 n = m_file->read(end, qint64(window + g_jsonWindow - end));
            if (n <= 0) {
                // A read error makes the text end early: the reader gives
                // up, and reading it whole names the error.
                m_atEnd = true;
                break;
            }
            end += n;
        }
        m_end = end;
        // A file grown past the bound while read is left to the whole read.
        if (m_before + size_t(m_end - m_begin) > size_t(kMaxDataBytes))
            m_end = m_p;
    }
    // Bytes of the text before m_p.
    size_t position() const { return m_before + size_t(m_p - m_begin); }

    bool eat(char c)
    {
        if (m_p == m_end || *m_p != c)
            return false;
        ++m_p;
        return true;
    }
    void skipSpace()
    {
        while (m_p != m_end && (*m_p == ' ' || *m_p == '\n' || *m_p == '\r' || *m_p == '\t'))
            ++m_p;
    }
    bool literal(std::string_view word)
    {
        if (size_t(m_end - m_p) < word.size() || std::string_view(m_p, word.size()) != word)
            return false;
        m_p += word.size();
        return true;
    }

    // A key without escapes, as it stands.
    bool rawKey(std::string_view &key)
    {
        if (!eat('"'))
            return false;
        const char *start = m_p;
        while (m_p != m_end && *m_p != '"') {
            if (*m_p == '\\' || uchar(*m_p) < 0x20)
                return false;
            ++m_p;
        }
        if (m_p == m_end)
            return false;
        key = std::string_view(start, size_t(m_p - start));
        ++m_p;
        return validUtf8(key);
    }

    // Well-formed UTF-8 of characters that are not surrogates or
    // noncharacters; utf16, when given, its length in UTF-16 units.
    static bool validUtf8(std::string_view s, size_t *utf16 = nullptr)
    {
        const auto *p = reinterpret_cast<const uchar *>(s.data());
        const auto *end = p + s.size();
        size_t units = 0;
        while (p != end) {
            const uchar c = *p;
            ++units;
            if (c < 0x80) {
                ++p;
                continue;
            }
            int more = 0;
            char32_t u = 0;
            if (c >= 0xC2 && c <= 0xDF) {
                more = 1;
                u = c & 0x1F;
            } else if (c >= 0xE0 && c <= 0xEF) {
                more = 2;
                u = c & 0x0F;
            } else if (c >= 0xF0 && c <= 0xF4) {
                more = 3;
                u = c & 0x07;
            } else {
                return false;
            }
            if (end - p <= more)
                return false;
            for (int i = 1; i <= more; ++i) {
                if ((p[i] & 0xC0) != 0x80)
                    return false;
                u = (u << 6) | (p[i] & 0x3F);
            }
            if ((more == 2 && u < 0x800) || (more == 3 && (u < 0x10000 || u > 0x10FFFF)) || (u >= 0xD800 && u <= 0xDFFF)
                || (u >= 0xFDD0 && u <= 0xFDEF) || (u & 0xFFFE) == 0xFFFE)
                return false;
            units += more == 3;
            p += more + 1;
        }
        if (utf16)
            *utf16 = units;
        return true;
    }

    // A string value into m_value (UTF-8), with its length in UTF-16 units:
    // the text itself where it has no escape (valid until more() moves the
    // window), else decoded into m_text.
    bool string(size_t &utf16)
    {
        if (!eat('"'))
            return false;
        m_text.clear();
        const char *run = m_p;
        bool escaped = false;
        auto flush = [&] { m_text.append(run, size_t(m_p - run)); };
        while (m_p != m_end && *m_p != '"') {
            const uchar c = uchar(*m_p);
            if (c < 0x20)
                return false;
            if (c != '\\') {
                ++m_p;
                continue;
            }
            escaped = true;
            flush();
            if (m_end - m_p < 2)
                return false;
            const char e = m_p[1];
            m_p += 2;
            switch (e) {
            case '"': m_text += '"'; break;
            case '\\': m_text += '\\'; break;
            case '/': m_text += '/'; break;
            case 'b': m_text += '\b'; break;
            case 'f': m_text += '\f'; break;
            case 'n': m_text += '\n'; break;
            case 'r': m_text += '\r'; break;
            case 't': m_text += '\t'; break;
            case 'u': {
                if (m_end - m_p < 4)
                    return false;
                char32_t u = 0;
                for (int i = 0; i < 4; ++i) {
                    const char h = m_p[i];
                    const int v = h >= '0' && h <= '9' ? h - '0' : h >= 'a' && h <= 'f' ? h - 'a' + 10 : h >= 'A' && h <= 'F' ? h - 'A' + 10 : -1;
                    if (v < 0)
                        return false;
                    u = (u << 4) | char32_t(v);
                }
                m_p += 4;
                // NUL, surrogates and noncharacters are left to the document reader.
                if (u == 0 || (u >= 0xD800 && u <= 0xDFFF) || (u >= 0xFDD0 && u <= 0xFDEF) || u >= 0xFFFE)
                    return false;
                if (u < 0x80) {
                    m_text += char(u);
                } else if (u < 0x800) {
                    m_text += char(0xC0 | (u >> 6));
                    m_text += char(0x80 | (u & 0x3F));
                } else {
                    m_text += char(0xE0 | (u >> 12));
                    m_text += char(0x80 | ((u >> 6) & 0x3F));
                    m_text += char(0x80 | (u & 0x3F));
                }
                break;
            }
            default:
                return false;
            }
            run = m_p;
        }
        if (m_p == m_end)
            return false;
        if (escaped) {
            flush();
            m_value = m_text;
        } else {
            m_value = std::string_view(run, size_t(m_p - run));
        }
        ++m_p;
        return validUtf8(m_value, &utf16);
    }

    // A number as the document reader takes it: its double value.
    bool number(double &d)
    {
        const char *start = m_p;
        const bool negative = eat('-');
        const char *digits = m_p;
        if (eat('0')) {
        } else {
            while (m_p != m_end && *m_p >= '0' && *m_p <= '9')
                ++m_p;
            if (m_p == digits || *digits == '0')
                return false;
        }
        bool whole = true;
        if (eat('.')) {
            whole = false;
            const char *f = m_p;
            while (m_p != m_end && *m_p >= '0' && *m_p <= '9')
                ++m_p;
            if (m_p == f)
                return false;
        }
        if (m_p != m_end && (*m_p == 'e' || *m_p == 'E')) {
            whole = false;
            ++m_p;
            if (!eat('+'))
                eat('-');
            const char *x = m_p;
            while (m_p != m_end && *m_p >= '0' && *m_p <= '9')
                ++m_p;
            if (m_p == x)
                return false;
        }
        if (whole) {
            // "-0" reads as the integer 0, whose sign a double would keep.
            if (negative && m_p - digits == 1 && *digits == '0')
                return false;
            qint64 i = 0;
            const auto r = std::from_chars(start, m_p, i);
            if (r.ec == std::errc() && r.ptr == m_p) {
                d = double(i);
                return true;
            }
        }
        const auto r = std::from_chars(start, m_p, d);
        return r.ec == std::errc() && r.ptr == m_p && std::isfinite(d);
    }

    // Any valid value, skipped.
    bool skipValue(int depth)
    {
        if (m_p == m_end || depth > 512)
            return false;
        size_t utf16 = 0;
        double d = 0;
        switch (*m_p) {
        case '"': return string(utf16);
        case 't': return literal("true");
        case 'f': return literal("false");
        case 'n': return literal("null");
        case '[':
        case '{': {
            const bool object = *m_p++ == '{';
            skipSpace();
            if (eat(object ? '}' : ']'))
                return true;
            for (;;) {
                skipSpace();
                if (object) {
                    if (!string(utf16))
                        return false;
                    skipSpace();
                    if (!eat(':'))
                        return false;
                    skipSpace();
                }
                if (!skipValue(depth + 1))
                    return false;
                skipSpace();
                if (eat(object ? '}' : ']'))
                    return true;
                if (!eat(','))
                    return false;
            }
        }
        default: return number(d);
        }
    }

    // The fields array, read by the document reader (it is short).
    bool fields()
    {
        const char *start = m_p;
        if (m_p == m_end || *m_p != '[' || !skipValue(0))
            return false;
        QJsonParseError error;
        const QJsonDocument doc = db::parsedJson(QByteArrayView(start, m_p - start), &error);
        if (error.error != QJsonParseError::NoError || !doc.isArray())
            return false;
        try {
            m_records.define(doc.array());
        } catch (const EDatabaseError &) {
            return false;
        }
        return true;
    }

    bool records()
    {
        if (!eat('['))
            return false;
        skipSpace();
        if (eat(']'))
            return true;
        const size_t n = m_records.infos.size();
        const size_t start = position();
        for (;;) {
            more(g_jsonRoom);
            skipSpace();
            if (!eat('['))
                return false;
            const int row = ++m_records.count;
            if (size_t(row) >= m_capacity) {
                // After the first records, room for as many as the rest of
                // the text holds at their size: one allocation, not a
                // dozen doublings.
                size_t capacity = 1024;
                if (m_capacity) {
                    const double perRecord = double(position() - start) / row;
                    const size_t left = m_size > position() ? m_size - position() : 0;
                    capacity = std::max(m_capacity * 2, size_t(row) + size_t(double(left) / perRecord * 1.05) + 16);
                }
                for (db::Column &c : m_records.columns) {
                    if (m_capacity)
                        c.reserveText(size_t(double(c.textBytes()) / double(row) * double(capacity)));
                    c.resize(capacity);
                }
                m_capacity = capacity;
            }
            skipSpace();
            for (size_t f = 0; f < n; ++f) {
                if (f > 0) {
                    skipSpace();
                    if (!eat(','))
                        return false;
                    skipSpace();
                }
                if (!value(f, row))
                    return false;
            }
            skipSpace();
            if (!eat(']'))
                return false;
            skipSpace();
            if (eat(']'))
                return true;
            if (!eat(','))
                return false;
        }
    }

    // One value into its field's column, as jsonCell stores it.
    bool value(size_t f, int row)
    {
        const FieldInfo &info = m_records.infos[f];
        db::Column &column = m_records.columns[f];
        if (m_p == m_end)
            return false;
        const char c = *m_p;
        if (c == 'n')
            return !info.required && literal("null");
        if (c == 't' || c == 'f') {
            if (!db::takesKind(info.type, JsonKind::Boolean) || !literal(c == 't' ? "true" : "false"))
                return false;
            column.set(row, Cell::ofInt(c == 't' ? 1 : 0));
            return true;
        }
        if (c == '"') {
            size_t utf16 = 0;
            if (!db::takesKind(info.type, JsonKind::String) || !string(utf16))
                return false;
            switch (info.type) {
            case ftString:
                if (info.size > 0 && utf16 > size_t(info.size))
                    return false;
                if (!m_records.sized[f])
                    m_records.longest[f] = std::max(m_records.longest[f], utf16);
                column.set(row, m_value);
                return true;
            case ftMemo:
                column.set(row, m_value);
                return true;
            default: // a largeint past 2^53, dates and times
                try {
                    column.set(row, db::toCell(QString::fromUtf8(m_value.data(), qsizetype(m_value.size())), info));
                } catch (const Exception &) {
                    return false;
                }
                return true;
            }
        }
        double d = 0;
        Cell cell;
        if (!db::takesKind(info.type, JsonKind::Number) || !number(d) || !db::numberCell(d, info, cell))
            return false;
        column.set(row, cell);
        return true;
    }

    QFile *m_file = nullptr;
    std::unique_ptr<char[]> m_buffer;
    const char *m_p;
    const char *m_end;
    const char *m_begin; // the window's start (the text's, in memory)
    size_t m_before = 0; // bytes of the text before the window
    size_t m_size;       // the text's size, as far as known
    bool m_atEnd = true; // no more text after m_end
    JsonColumns m_records;
    std::string m_text;
    std::string_view m_value;
    size_t m_capacity = 0;
};

} // namespace

void setJsonWindow(size_t window, size_t room)
{
    g_jsonWindow = window;
    g_jsonRoom = std::min(room, window);
}

std::unique_ptr<RecordStore> fastJsonStore(QFile &file)
{
    return FastReader(file).read();
}

namespace {

// The records of a JSON packet's document, in a new store; raises
// EDatabaseError naming the first fault.
std::unique_ptr<RecordStore> documentStore(const QJsonObject &packet)
{
    const QJsonValue fields = packet.value(QStringLiteral("fields")), records = packet.value(QStringLiteral("records"));
    if (!fields.isArray())
        throw badJson(QStringLiteral("it needs an object with a \"fields\" array"));
    if (!records.isUndefined() && !records.isArray())
        throw badJson(QStringLiteral("\"records\" must be an array of arrays"));
    JsonColumns table;
    table.define(fields.toArray());
    const QJsonArray values = records.toArray();
    table.reserve(size_t(values.size()));
    for (qsizetype r = 0; r < values.size(); ++r)
        table.append(values[r]);
    size_t tooLong = 0;
    if (!table.sizeStrings(tooLong))
        throw badJson(QStringLiteral("field \"%1\" has a value longer than %2 characters")
                          .arg(table.infos[tooLong].name)
                          .arg(db::kMaxFieldSize));
    return table.store();
}

} // namespace

// The whole text is parsed once; the records then go straight into a new
// store, which replaces the dataset's only when all is valid.
void TClientDataSet::fromJson(const QByteArray &json)
{
    if (std::unique_ptr<RecordStore> store = FastReader(json).read()) {
        adopt(std::move(store), false);
        return;
    }
    QJsonParseError error;
    const QJsonDocument doc = db::parsedJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        throw badJson(QStringLiteral("%1 at character %2").arg(error.errorString()).arg(error.offset));
    adopt(documentStore(doc.object()), false); // not an object: an empty one, without fields
}

void loadJsonPacket(TClientDataSet &to, const QJsonObject &packet)
{
    to.adopt(documentStore(packet), false);
}

} // namespace TouchDialogs
