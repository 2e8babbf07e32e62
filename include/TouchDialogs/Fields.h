// Field and index definitions of a TClientDataSet, and the TField through
// which a record's values are read and written.
#pragma once

#include <TouchDialogs/Export.h>

#include <QFlags>
#include <QString>
#include <QVariant>
#include <vector>

namespace TouchDialogs {

// The most bytes a JSON text, data packet, file or stream is read to: far
// above any dataset a till holds, and a bound on what a device or an endless
// pipe can make us take.
inline constexpr qint64 kMaxDataBytes = qint64(256) << 20;

class TClientDataSet;

enum TFieldType {
    ftUnknown,
    ftString,
    ftInteger,
    ftLargeint,
    ftFloat,
    ftCurrency,
    ftBoolean,
    ftDate,
    ftTime,
    ftDateTime,
    ftMemo
};

// "string", "integer", … as the JSON packet names them; ftUnknown for an unknown name.
TD_EXPORT QString fieldTypeName(TFieldType type);
TD_EXPORT TFieldType fieldTypeFromName(const QString &name);

class TD_EXPORT TFieldDef {
public:
    TFieldDef(const QString &name, TFieldType type, int size, bool required)
        : m_name(name), m_type(type), m_size(size), m_required(required)
    {
    }
    QString Name() const { return m_name; }
    TFieldType DataType() const { return m_type; }
    // Declared length in characters of a string field; 0 when none is declared.
    int Size() const { return m_size; }
    bool Required() const { return m_required; }

private:
    QString m_name;
    TFieldType m_type;
    int m_size;
    bool m_required;
};

class TD_EXPORT TFieldDefs {
public:
    // Raises EDatabaseError for an empty or duplicate name, an unknown type or a negative size.
    void Add(const QString &Name, TFieldType DataType, int Size = 0, bool Required = false);
    int Count() const { return int(m_defs.size()); }
    // Raises EListError when i is out of range.
    const TFieldDef &Items(int i) const;
    const TFieldDef &operator[](int i) const { return Items(i); }
    int IndexOf(const QString &name) const;
    void Clear() { m_defs.clear(); }

private:
    friend class TClientDataSet;
    std::vector<TFieldDef> m_defs;
};

// One column of the dataset. Values are read from the current record (or
// the record being edited) and written only in edit or insert state.
class TD_EXPORT TField {
public:
    QString FieldName() const;
    TFieldType DataType() const;
    int Size() const;
    int Index() const { return m_index; }
    bool Visible() const;
    void setVisible(bool visible);
    // The column title; the field name unless set.
    QString DisplayLabel() const;
    void setDisplayLabel(const QString &label);
    bool Required() const;
    void setRequired(bool required);

    // The value as a variant of the field's type (QString, int, qlonglong,
    // double, bool, QDate, QTime, QDateTime); an invalid QVariant for null.
    // A date-time is the wall clock as stored, without a zone: a QDateTime
    // in UTC whose date() and time() are that wall clock. One set from a
    // QDateTime keeps that value's own date() and time(), whatever its zone.
    QVariant Value() const;
    // Converts to the field's type; raises EConvertError for a value that
    // does not convert and EDatabaseError outside edit or insert state or for
    // a string longer than Size.
    void setValue(const QVariant &value);
    // The value as text: decimal comma for numbers, dd/MM/yyyy dates; "" for null.
    QString AsString() const;
    void setAsString(const QString &text);
    bool IsNull() const { return Value().isNull(); }
    void Clear() { setValue(QVariant()); }
    TClientDataSet *DataSet() const { return m_dataSet; }

private:
    friend class TClientDataSet;
    TField(TClientDataSet *dataSet, int index) : m_dataSet(dataSet), m_index(index) {}
    TClientDataSet *m_dataSet;
    int m_index;
};

enum TIndexOption { ixDescending = 0x1, ixCaseInsensitive = 0x2 };
Q_DECLARE_FLAGS(TIndexOptions, TIndexOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TIndexOptions)

class TD_EXPORT TIndexDef {
public:
    TIndexDef(const QString &name, const QString &fields, TIndexOptions options)
        : m_name(name), m_fields(fields), m_options(options)
    {
    }
    QString Name() const { return m_name; }
    // Field names separated by ";".
    QString Fields() const { return m_fields; }
    TIndexOptions Options() const { return m_options; }

private:
    QString m_name;
    QString m_fields;
    TIndexOptions m_options;
};

class TD_EXPORT TIndexDefs {
public:
    int Count() const { return int(m_defs.size()); }
    // Raises EListError when i is out of range.
    const TIndexDef &Items(int i) const;
    const TIndexDef &operator[](int i) const { return Items(i); }
    // Appends a definition; raises EDatabaseError for an empty or duplicate
    // name or an empty field list. Fields are checked when the index is used.
    void Add(const QString &Name, const QString &Fields, TIndexOptions Options = {});
    // Removes definition i (EListError when out of range). Removing the
    // definition in use returns the dataset to its natural order.
    void Delete(int i);
    void Clear();
    int IndexOf(const QString &name) const;

private:
    friend class TClientDataSet;
    explicit TIndexDefs(TClientDataSet *owner) : m_owner(owner) {}
    TClientDataSet *m_owner;
    std::vector<TIndexDef> m_defs;
};

} // namespace TouchDialogs
