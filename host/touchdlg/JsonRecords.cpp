#include "host/touchdlg/JsonRecords.h"
#include "host/touchdlg/Command.h"
#include "host/touchdlg/CsvData.h"
#include "platform/db/JsonValues.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>
#include <cstring>
#include <vector>

namespace touchdlg {

namespace db = TouchDialogs::db;

namespace {

// Walks JSON text for what Qt's reader does not keep: the order of an
// object's names (it sorts them) and a number as written (it keeps a
// double). Qt judges whether the text is JSON; the walker only finds where a
// value ends, and never reads past the end of the text.
struct Walker {
    const char *p;
    const char *end;

    bool atEnd() const { return p >= end; }
    char peek() const { return atEnd() ? '\0' : *p; }
    void skipSpace()
    {
        while (p < end && (*p == ' ' || *p == '\n' || *p == '\r' || *p == '\t'))
            ++p;
    }
    // At a quote: past the closing one.
    bool skipString()
    {
        for (++p; p < end; ++p) {
            if (*p == '\\')
                ++p;
            else if (*p == '"')
                return ++p, true;
        }
        return false;
    }
    // Past a string, an object or array (to the bracket that closes it, without
    // recursion), or a scalar (to what ends it).
    bool skipValue()
    {
        if (peek() == '"')
            return skipString();
        if (peek() == '{' || peek() == '[') {
            int depth = 0;
            while (p < end) {
                const char c = *p;
                if (c == '"') {
                    if (!skipString())
                        return false;
                    continue;
                }
                ++p;
                if (c == '{' || c == '[')
                    ++depth;
                else if ((c == '}' || c == ']') && --depth == 0)
                    return true;
            }
            return false;
        }
        const char *start = p;
        while (p < end && *p && !std::strchr(",:]} \t\r\n", *p))
            ++p;
        return p > start;
    }
};

// What a value is, by its first character; empty when it is no JSON value.
QString kindOf(char c)
{
    switch (c) {
    case '{': return QStringLiteral("an object");
    case '[': return QStringLiteral("an array");
    case '"': return QStringLiteral("text");
    case 't':
    case 'f': return QStringLiteral("true or false");
    case 'n': return QStringLiteral("null");
    default: return (c == '-' || (c >= '0' && c <= '9')) ? QStringLiteral("a number") : QString();
    }
}

class RecordReader {
public:
    RecordReader(QByteArrayView json, const QString &source) : m_begin(json.data()), m_end(json.data() + json.size()), m_source(source) {}

    QJsonObject packet(const QString &fields)
    {
        Walker w{m_begin, m_end};
        w.skipSpace();
        if (w.peek() == '[') {
            const char *open = w.p++;
            w.skipSpace();
            if (w.peek() == ']')
                fail(open, QStringLiteral("an empty array: no record to take the fields from"));
            for (int n = 1;; ++n) {
                w.skipSpace();
                if (w.atEnd())
                    fail(open, QStringLiteral("the array is not closed"));
                record(w, n);
                w.skipSpace();
                if (w.peek() == ',') {
                    ++w.p;
                    continue;
                }
                if (w.peek() == ']') {
                    ++w.p;
                    break;
                }
                fail(w.atEnd() ? open : w.p, w.atEnd() ? QStringLiteral("the array is not closed")
                                                       : QStringLiteral("\",\" or \"]\" expected after record %1").arg(n));
            }
            w.skipSpace();
            if (!w.atEnd())
                fail(w.p, QStringLiteral("more after the array of records (give one array, or one object a line)"));
        } else {
            for (int n = 1; !w.atEnd(); ++n) {
                record(w, n);
                w.skipSpace();
            }
        }
        if (m_names.isEmpty())
            fail(m_begin, QStringLiteral("the records name no field"));
        return tableToJsonPacket(m_names, m_rows, fields, m_source);
    }

private:
    // The line of a place in the text, counted on from the last one asked.
    int lineOf(const char *at)
    {
        if (at < m_lineAt) {
            m_lineAt = m_begin;
            m_line = 1;
        }
        for (; m_lineAt < at && m_lineAt < m_end; ++m_lineAt)
            m_line += *m_lineAt == '\n';
        return m_line;
    }

    [[noreturn]] void fail(const char *at, const QString &what)
    {
        throw UsageError{QStringLiteral("%1 line %2: %3").arg(m_source).arg(lineOf(at)).arg(what)};
    }

    // The object of the text from start to end, as Qt reads it; its error
    // named at its line.
    QJsonObject parsed(const char *start, const char *end, int n)
    {
        QByteArrayView text(start, end - start);
        QByteArray escaped;
        if (text.contains(db::kByteOrderMark)) {
            escaped = db::byteOrderMarksEscaped(text);
            text = escaped;
        }
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromRawData(text.data(), text.size()), &error);
        if (error.error != QJsonParseError::NoError) {
            const int line = lineOf(start) + int(text.first(std::min<qsizetype>(error.offset, text.size())).count('\n'));
            throw UsageError{QStringLiteral("%1 line %2: record %3 is not valid JSON: %4")
                                 .arg(m_source)
                                 .arg(line)
                                 .arg(n)
                                 .arg(error.errorString())};
        }
        return doc.object();
    }

    QString keyText(QByteArrayView raw)
    {
        if (!raw.contains('\\')) {
            QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
            return utf8(raw);
        }
        const QByteArray quoted = "[\"" + db::byteOrderMarksEscaped(raw) + "\"]";
        return QJsonDocument::fromJson(quoted).array().at(0).toString();
    }

    // Record n, an object at w: its values under the names in the order they
    // first appeared.
    void record(Walker &w, int n)
    {
        const char *start = w.p;
        if (w.peek() != '{') {
            const QString kind = kindOf(w.peek());
            fail(start, kind.isEmpty() ? QStringLiteral("record %1 is not JSON (records are objects: an array of "
                                                        "them, or one a line)")
                                             .arg(n)
                                       : QStringLiteral("record %1 is %2, not an object").arg(n).arg(kind));
        }
        const bool whole = w.skipValue();
        const QJsonObject object = parsed(start, whole ? w.p : m_end, n);
        if (!whole) // Qt took what the walker could not end
            fail(start, QStringLiteral("record %1 does not end").arg(n));

        TableRow row{lineOf(start), n, QList<TableValue>(m_names.size())};
        std::vector<bool> given(size_t(m_names.size()), false);
        Walker m{start + 1, w.p - 1};
        for (m.skipSpace(); !m.atEnd(); m.skipSpace()) {
            const char *keyAt = m.p + 1;
            if (m.peek() != '"' || !m.skipString())
                break;
            const QString key = keyText(QByteArrayView(keyAt, m.p - 1 - keyAt));
            m.skipSpace();
            ++m.p; // the colon
            m.skipSpace();
            const char *valueAt = m.p;
            m.skipValue();
            const QByteArrayView raw(valueAt, m.p - valueAt);
            m.skipSpace();
            ++m.p; // a comma, or the end

            if (key.isEmpty())
                fail(start, QStringLiteral("record %1 has a field without a name").arg(n));
            const char first = raw.isEmpty() ? '\0' : raw.front();
            if (first == '{' || first == '[')
                fail(valueAt, QStringLiteral("record %1, field \"%2\" holds %3; a field holds text, a number, true, "
                                             "false or null")
                                  .arg(n)
                                  .arg(key, kindOf(first)));
            qsizetype at = m_index.value(key, -1);
            if (at < 0) {
                at = m_names.size();
                m_index.insert(key, at);
                m_names.append(key);
                row.values.resize(m_names.size());
                given.push_back(false);
            }
            if (given[size_t(at)])
                fail(start, QStringLiteral("record %1 names \"%2\" twice").arg(n).arg(key));
            given[size_t(at)] = true;
            TableValue &value = row.values[at];
            switch (first) {
            case '"':
                value = {TableValue::Text, object.value(key).toString()};
                break;
            case 't':
            case 'f':
                value = {TableValue::Boolean, QString::fromLatin1(raw)};
                break;
            case 'n':
                break;
            default:
                value = {TableValue::Number, QString::fromLatin1(raw)};
            }
        }
        m_rows.push_back(std::move(row));
    }

    const char *m_begin;
    const char *m_end;
    QString m_source;
    const char *m_lineAt = m_begin;
    int m_line = 1;
    QStringList m_names;
    QHash<QString, qsizetype> m_index;
    std::vector<TableRow> m_rows;
};

} // namespace

DataForm dataForm(const QByteArray &data)
{
    const QByteArrayView text = db::withoutByteOrderMark(data);
    if (text.startsWith(QByteArrayView("SQLite format 3\0", 16)))
        return DataForm::Packet;
    Walker w{text.data(), text.data() + text.size()};
    w.skipSpace();
    if (w.peek() == '[')
        return DataForm::JsonRecords;
    if (w.peek() != '{')
        return DataForm::Csv;
    // The packet form has an array of fields or records: a record cannot.
    for (++w.p;;) {
        w.skipSpace();
        const char *key = w.p + 1;
        if (w.peek() != '"' || !w.skipString())
            return DataForm::JsonRecords;
        const QByteArrayView name(key, w.p - 1 - key);
        w.skipSpace();
        if (w.peek() != ':')
            return DataForm::JsonRecords;
        ++w.p;
        w.skipSpace();
        if ((name == "fields" || name == "records") && w.peek() == '[')
            return DataForm::JsonPacket;
        if (!w.skipValue())
            return DataForm::JsonRecords;
        w.skipSpace();
        if (w.peek() != ',')
            return DataForm::JsonRecords;
        ++w.p;
    }
}

QJsonObject jsonRecordsToJsonPacket(const QByteArray &json, const QString &fields, const QString &source)
{
    return RecordReader(db::withoutByteOrderMark(json), source).packet(fields);
}

} // namespace touchdlg
