// TClientDataSet: an in-memory table with a cursor, edit states, a filter
// written as an SQLite expression, index definitions and data packets.
//
// The records live in a private in-memory SQLite database. The *view* is the
// list of records that pass the filter, in the order of the index in use
// (ties and no index: the natural order in which records were placed). The
// cursor moves over the view.
//
//     TClientDataSet ds;
//     ds.FieldDefs().Add("NOME", ftString, 40);
//     ds.CreateDataSet();
//     ds.Append(); ds.FieldByName("NOME")->setValue("Café"); ds.Post();
//     ds.setFilter("UPPER(NOME) LIKE 'CA%'"); ds.setFiltered(true);
//
// A record that is posted stays current, and in the view, wherever it now
// sorts, even when the filter would no longer let it through; the next change
// of filter or order computes the view anew.
#pragma once

#include <TouchDialogs/Fields.h>
#include <TouchDialogs/Export.h>

#include <QObject>
#include <QVariant>
#include <memory>
#include <vector>

QT_FORWARD_DECLARE_CLASS(QFile)
QT_FORWARD_DECLARE_CLASS(QJsonObject)

namespace TouchDialogs {

namespace db {
class RecordStore;
} // namespace db

enum TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };

class TD_EXPORT TClientDataSet : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Filter READ Filter WRITE setFilter)
    Q_PROPERTY(bool Filtered READ Filtered WRITE setFiltered)
    Q_PROPERTY(QString IndexName READ IndexName WRITE setIndexName)

public:
    explicit TClientDataSet(QObject *owner = nullptr);
    ~TClientDataSet() override;

    // ---- structure
    TFieldDefs &FieldDefs();
    // Creates an empty dataset from FieldDefs, replacing any data. Raises
    // EDatabaseError when there are no definitions or a name is reserved.
    void CreateDataSet();
    // Closes the dataset; its records are dropped.
    void Close();
    bool Active() const;
    TDataSetState State() const;
    int FieldCount() const;
    // Raises EListError when out of range.
    TField *Fields(int i) const;
    // Raises EDatabaseError naming the field when there is none.
    TField *FieldByName(const QString &name) const;
    TField *FindField(const QString &name) const;

    // ---- cursor over the view
    void First();
    void Last();
    void Next();
    void Prior();
    bool Bof() const;
    bool Eof() const;
    bool IsEmpty() const;
    int RecordCount() const;
    // 1-based position of the current record in the view; 0 when there is none.
    int RecNo() const;
    void setRecNo(int recNo);

    // ---- editing
    // A new empty record before the current one; it becomes current when posted.
    void Insert();
    // A new empty record after the last one.
    void Append();
    // Edits the current record (inserts when the view is empty).
    void Edit();
    // Stores the record being inserted or edited; it stays current. Raises
    // EDatabaseError naming a required field left empty (state unchanged).
    void Post();
    void Cancel();
    // Removes the current record; the following one becomes current, else
    // the preceding one. Raises EDatabaseError on an empty view.
    void Delete();
    // Removes every record.
    void EmptyDataSet();
    bool Modified() const;

    // ---- filter and order
    QString Filter() const;
    // The text is an SQLite expression over the field names. While the
    // dataset is open it is checked at once (and applied when Filtered): a
    // bad text raises EDatabaseError and changes nothing.
    void setFilter(const QString &text);
    bool Filtered() const;
    // Switching on applies Filter anew; the first record becomes current.
    void setFiltered(bool on);
    TIndexDefs &IndexDefs();
    QString IndexName() const;
    // Orders the view by the named definition ("" = natural order); the
    // current record stays current. Raises EDatabaseError for an unknown
    // name or field.
    void setIndexName(const QString &name);

    // ---- packets
    // The data packet: fields and records, an SQLite database image in a
    // QByteArray. It holds nothing else: no free pages and no byte of a
    // record deleted or overwritten (after such a change the image is first
    // rebuilt, one pass over the records). Invalid when the dataset is closed.
    QVariant Data() const;
    // Replaces fields and records by the packet's, drops the index
    // definitions, applies the filter and makes the first record current.
    // A packet that is not valid in any way raises EDatabaseError and leaves
    // the dataset as it was. A null variant closes the dataset.
    void setData(const QVariant &packet);
    // Replaces a regular file (or makes one) at once, by renaming a complete
    // copy over it; anything else there (a FIFO, a device) is written into.
    void SaveToFile(const QString &fileName) const;
    // Reads a packet written by SaveToFile, or the JSON form; at most
    // kMaxDataBytes.
    void LoadFromFile(const QString &fileName);
    // The JSON form: {"fields":[{"name":…,"type":…,…}],"records":[[…],…]}.
    QByteArray toJson() const;
    void fromJson(const QByteArray &json);
    // The current record as a JSON object, its fields in field order (hidden
    // ones too): {"CODIGO":1,"NOME":"Café"}; "null" when the view is empty.
    QByteArray recordJson() const;

    // ---- for data-aware controls
    // Between these, controls showing the dataset are not told of changes;
    // the last EnableControls tells them once (the view anew, then the
    // current record). Calls nest.
    void DisableControls();
    void EnableControls();
    // Values of view row `row` (0-based) without moving the cursor.
    QVariant viewValue(int row, int field) const;
    QString viewText(int row, int field) const;
    // 0-based current view row, -1 when none.
    int currentRow() const;

signals:
    void structureChanged();         // opened, closed, fields replaced, labels/visibility
    void viewReset();                // the view was computed anew
    void rowInserted(int row);
    void rowRemoved(int row);
    void rowChanged(int row);
    void currentChanged(int row);
    void stateChanged();

private:
    friend class TField;
    friend class TIndexDefs;
    friend void copyRecords(TClientDataSet &to, const TClientDataSet &from);
    friend void loadJsonPacket(TClientDataSet &to, const QJsonObject &packet);
    friend struct OrdersAhead;
    friend void setFastPath(TClientDataSet &ds, bool on);

    struct Prepared;
    // Everything the dataset holds: its records, fields, view and cursor.
    struct Private;
    void setCell(int field, const QVariant &value);
    void setCellText(int field, const QString &text);
    void checkActive() const;
    void checkBrowse();
    // Computes the view of a store under a filter and order without changing anything.
    Prepared prepare(db::RecordStore &store, const QString &filter, bool filtered, const QString &indexName) const;
    void adopt(std::unique_ptr<db::RecordStore> store, bool keepIndexDefs);
    void commitView(Prepared &&prepared, bool keepCurrent);
    void moveTo(int row, bool bof, bool eof);
    void indexDefRemoved(const QString &name);
    void setState(TDataSetState state);
    int viewPosition(int rowid) const;

    std::unique_ptr<Private> d;
};

// The bytes of an open file, device or pipe, at most kMaxDataBytes: a
// file's size is checked at once, a pipe or device (/dev/zero) is read to one
// byte past the bound. EDatabaseError "Cannot read NAME: ..." otherwise.
TD_EXPORT QByteArray readDataBytes(QFile &file, const QString &name);

} // namespace TouchDialogs
