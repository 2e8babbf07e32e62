// touchdlg's CSV reader over any bytes, loaded as touchdlg loads it: a
// refusal (UsageError from the reader, EDatabaseError from the dataset) with
// a message, or a dataset holding the text's cells. An input that begins
// with a line "#fields LIST" passes LIST as --fields.
//
// The cells are split here again from the reader's own description: RFC 4180
// rows, "," or (when the first line holds ";" and no ",") ";", values outside
// quotes trimmed, blank lines skipped. A table of valid UTF-8 with a named
// header and rows of its width is not refused by the reader unless --fields
// says a type the values do not have. In the dataset a text cell is the text;
// a number is the number the text says, printed back, and a number with a
// leading zero stays text when the type is guessed.
#include "fuzz/FuzzSupport.h"
#include "host/touchdlg/Command.h"
#include "host/touchdlg/CsvData.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringList>
#include <optional>
#include <tuple>

using namespace TouchDialogs;

namespace {

const QString kSource = QStringLiteral("fuzz.csv");

// The rows of cells; nullopt for what is no table (a quote not closed, text
// after a closing quote).
std::optional<QList<QStringList>> cellsOf(const QString &text, QChar separator)
{
    QList<QStringList> rows;
    QStringList row;
    QString cell;
    enum { Plain, Quoted, Closed } state = Plain;
    bool counts = false; // a quote or a separator: the line is no blank line
    auto endCell = [&] {
        row << (state == Closed ? cell : cell.trimmed());
        cell.clear();
        state = Plain;
    };
    auto endLine = [&] {
        if (counts || !cell.trimmed().isEmpty()) {
            endCell();
            rows << row;
        }
        row.clear();
        cell.clear();
        state = Plain;
        counts = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const bool lineBreak = c == u'\n' || c == u'\r';
        if (lineBreak && c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n' && state != Quoted)
            ++i;
        if (state == Quoted) {
            if (c != u'"')
                cell += c;
            else if (i + 1 < text.size() && text[i + 1] == u'"')
                cell += text[++i];
            else
                state = Closed;
        } else if (c == separator) {
            endCell();
            counts = true;
        } else if (lineBreak) {
            endLine();
        } else if (state == Closed) {
            if (!c.isSpace())
                return std::nullopt;
        } else if (c == u'"' && cell.trimmed().isEmpty()) {
            state = Quoted;
            cell.clear();
            counts = true;
        } else {
            cell += c;
        }
    }
    if (state == Quoted)
        return std::nullopt;
    endLine();
    return rows;
}

// A decimal number as sign, digits without leading or trailing zeros, and
// the power of ten of the last digit: equal forms, equal numbers. Takes "1,5"
// as the reader does, and the exponents of a printed double.
std::optional<std::tuple<bool, QString, qint64>> decimal(QString s)
{
    static const QRegularExpression form(QStringLiteral("^([+-]?)([0-9]+)(?:[.,]([0-9]*))?(?:e([+-]?[0-9]+))?$"));
    const QRegularExpressionMatch m = form.match(s);
    if (!m.hasMatch())
        return std::nullopt;
    QString digits = m.captured(2) + m.captured(3);
    qint64 power = m.captured(4).toLongLong() - m.captured(3).size();
    while (digits.startsWith(u'0'))
        digits.remove(0, 1);
    while (digits.endsWith(u'0')) {
        digits.chop(1);
        ++power;
    }
    if (digits.isEmpty())
        return std::tuple{false, QString(), qint64(0)}; // -0 is 0
    return std::tuple{m.captured(1) == u"-", digits, power};
}

bool leadingZero(const QString &s)
{
    static const QRegularExpression zero(QStringLiteral("^[+-]?0[0-9]"));
    return zero.match(s).hasMatch();
}

void checkCell(const QVariant &v, TFieldType type, bool guessed, const QString &cell, const QString &where)
{
    const bool number = type == ftInteger || type == ftLargeint || type == ftFloat || type == ftCurrency;
    if (cell.isEmpty() && type != ftString && type != ftMemo) {
        fuzz::require(v.isNull(), "an empty cell is not null", where);
        return;
    }
    fuzz::require(!v.isNull() || cell.isEmpty(), "a cell became null", where);
    if (type == ftString || type == ftMemo) {
        fuzz::require(v.toString() == cell, "a text cell changed", where + QStringLiteral(": ") + v.toString());
    } else if (number) {
        const QString printed = type == ftFloat || type == ftCurrency
                                    ? QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest)
                                    : QString::number(v.toLongLong());
        const auto said = decimal(cell);
        fuzz::require(said && said == decimal(printed), "a number is not what the text says",
                      where + QStringLiteral(": ") + printed);
        fuzz::require(!guessed || !leadingZero(cell), "a code with a leading zero became a number", where);
    } else if (type == ftBoolean) {
        const QString b = cell.toLower();
        fuzz::require(v.toBool() ? b == u"true" || b == u"1" : b == u"false" || b == u"0",
                      "a boolean is not what the text says", where);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray csv(reinterpret_cast<const char *>(data), qsizetype(size));
    QString fields;
    if (csv.startsWith("#fields ")) {
        const qsizetype eol = csv.indexOf('\n');
        fields = QString::fromUtf8(csv.mid(8, eol < 0 ? -1 : eol - 8));
        csv = eol < 0 ? QByteArray() : csv.mid(eol + 1);
    }

    // The table the text holds, if it is one.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(csv);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    // The separator is told by the header, the first line with anything on it.
    QString header;
    for (const QString &line : text.split(u'\n'))
        if (!(header = line).trimmed().isEmpty())
            break;
    const QChar separator = header.contains(u';') && !header.contains(u',') ? u';' : u',';
    const std::optional<QList<QStringList>> rows = cellsOf(text, separator);
    bool table = !utf8.hasError() && rows && !rows->isEmpty();
    for (qsizetype i = 0; table && i < rows->front().size(); ++i)
        table = !rows->front()[i].isEmpty() && rows->front().indexOf(rows->front()[i]) == i;
    for (qsizetype r = 1; table && r < rows->size(); ++r)
        table = rows->at(r).size() == rows->front().size();

    TClientDataSet ds;
    try {
        loadJsonPacket(ds, touchdlg::csvToJsonPacket(csv, fields, kSource));
    } catch (const touchdlg::UsageError &e) {
        fuzz::require(!e.message.isEmpty(), "a refusal without a message");
        fuzz::require(!table || !fields.isEmpty(), "a table was refused", e.message);
        return 0;
    } catch (const Exception &e) {
        fuzz::require(!e.Message().isEmpty(), "a refusal without a message");
        return 0;
    }
    fuzz::require(!utf8.hasError(), "a text that is not UTF-8 was read");
    fuzz::require(table, "a text that is no table was read");
    const QStringList &names = rows->front();
    fuzz::require(ds.FieldCount() == names.size() && ds.RecordCount() == rows->size() - 1,
                  "the dataset is not the table's size");
    QStringList given;
    for (const QString &item : fields.split(u',', Qt::SkipEmptyParts))
        given << item.section(u':', 0, 0).trimmed();
    ds.First();
    for (qsizetype r = 1; r < rows->size(); ++r, ds.Next())
        for (int f = 0; f < ds.FieldCount(); ++f) {
            fuzz::require(ds.Fields(f)->FieldName() == names[f], "a field is not named as its column", names[f]);
            checkCell(ds.Fields(f)->Value(), ds.Fields(f)->DataType(), !given.contains(names[f]), rows->at(r)[f],
                      QStringLiteral("row %1, %2: \"%3\"").arg(r).arg(names[f], rows->at(r)[f]));
        }
    return 0;
}
