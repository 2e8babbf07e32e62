#include "platform/db/ClientDataSet.h"
#include "platform/db/JsonValues.h"
#include "platform/db/RecordStore.h"
#include "platform/rtl/Exceptions.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <algorithm>
#include <utility>
#include <cmath>

namespace TouchDialogs {

using db::Cell;
using db::FieldInfo;
using db::RecordStore;

struct TClientDataSet::Prepared {
    std::vector<db::SortKey> keys;
    db::SharedRows view;
    size_t placed = SIZE_MAX; // see Private::placed
};

struct TClientDataSet::Private {
    explicit Private(TClientDataSet *owner) : indexDefs(owner) {}

    std::unique_ptr<db::RecordStore> store;
    TFieldDefs fieldDefs;
    TIndexDefs indexDefs;
    std::vector<std::unique_ptr<TField>> fields;
    QString filter;
    bool filtered = false;
    QString indexName;
    // The rowids shown, in order; a whole kept order is shared with the store.
    db::SharedRows view;
    int current = -1;
    bool bof = true;
    bool eof = true;
    TDataSetState state = dsInactive;
    bool modified = false;
    int insertBefore = -1; // rowid, or -1 to append
    bool fastPath = true;

    // The order keys in use and the record being edited.
    std::vector<db::SortKey> keys;
    std::vector<Cell> buffer;
    // DisableControls: what the controls are told once they are enabled again.
    int controlsOff = 0;
    bool viewPending = false;
    bool currentPending = false;

    // Whether a change to the view must wait for EnableControls.
    bool holdView()
    {
        viewPending = viewPending || controlsOff > 0;
        return controlsOff > 0;
    }

    // The view's rows from `placed` on, but for the current one (`pinned`),
    // are not in the view's order yet, which is being built on another
    // thread (RecordStore::select): a row is placed before it is read.
    size_t placed = SIZE_MAX;
    int pinned = -1;
    bool isPlaced(int row) const { return size_t(row) < placed || row == pinned; }
    // Puts every row in its place, waiting for the order if need be. The
    // rows read so far keep theirs, so nothing a control shows changes.
    static void settle(TClientDataSet &ds);

    static Cell currentCell(const TClientDataSet &ds, int field);
};

void TClientDataSet::Private::settle(TClientDataSet &ds)
{
    Private &p = *ds.d;
    if (p.placed >= ds.d->view.size())
        return;
    const db::SharedRows &order = ds.d->store->ordered(p.keys);
    db::SharedRows view;
    if (order.size() == ds.d->view.size()) {
        view = order; // every record: the order itself
    } else {
        db::Bitmap in;
        in.resize(size_t(*std::max_element(order.begin(), order.end())) + 1);
        for (int r : ds.d->view)
            in.set(size_t(r));
        view = in.kept(order);
    }
    Q_ASSERT(view.size() == ds.d->view.size()
             && std::equal(ds.d->view.begin(), ds.d->view.begin() + std::ptrdiff_t(p.placed), view.begin())
             && (p.pinned < 0 || view[size_t(p.pinned)] == ds.d->view[size_t(p.pinned)]));
    ds.d->view = std::move(view);
    p.placed = SIZE_MAX;
    p.pinned = -1;
}

// ------------------------------------------------------------ definitions

void TFieldDefs::Add(const QString &Name, TFieldType DataType, int Size, bool Required)
{
    if (const QString why = db::nameProblem(Name); !why.isEmpty())
        throw EDatabaseError(why);
    if (IndexOf(Name) >= 0)
        throw EDatabaseError(QStringLiteral("Duplicate field name '%1'").arg(Name));
    if (DataType <= ftUnknown || DataType > ftMemo)
        throw EDatabaseError(QStringLiteral("Field '%1' has no valid type").arg(Name));
    if (Size < 0 || Size > db::kMaxFieldSize)
        throw EDatabaseError(QStringLiteral("Field '%1' has the size %2 (from 0 to %3)").arg(Name).arg(Size).arg(db::kMaxFieldSize));
    m_defs.emplace_back(Name, DataType, Size, Required);
}

const TFieldDef &TFieldDefs::Items(int i) const
{
    if (i < 0 || i >= Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(i));
    return m_defs[size_t(i)];
}

// Names compare as SQLite compares them: ASCII letters fold, nothing else.
int TFieldDefs::IndexOf(const QString &name) const
{
    const QString key = db::nameKey(name);
    for (int i = 0; i < Count(); ++i)
        if (db::nameKey(m_defs[size_t(i)].Name()) == key)
            return i;
    return -1;
}

const TIndexDef &TIndexDefs::Items(int i) const
{
    if (i < 0 || i >= Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(i));
    return m_defs[size_t(i)];
}

void TIndexDefs::Add(const QString &Name, const QString &Fields, TIndexOptions Options)
{
    if (Name.trimmed().isEmpty())
        throw EDatabaseError(QStringLiteral("An index needs a name"));
    if (IndexOf(Name) >= 0)
        throw EDatabaseError(QStringLiteral("Duplicate index name '%1'").arg(Name));
    if (Fields.trimmed().isEmpty())
        throw EDatabaseError(QStringLiteral("Index '%1' names no field").arg(Name));
    m_defs.emplace_back(Name, Fields, Options);
}

void TIndexDefs::Delete(int i)
{
    const QString name = Items(i).Name();
    m_defs.erase(m_defs.begin() + i);
    m_owner->indexDefRemoved(name);
}

void TIndexDefs::Clear()
{
    while (Count() > 0)
        Delete(0);
}

int TIndexDefs::IndexOf(const QString &name) const
{
    for (int i = 0; i < Count(); ++i)
        if (m_defs[size_t(i)].Name().compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

// ------------------------------------------------------------------ fields

QString TField::FieldName() const { return m_dataSet->d->store->fields()[size_t(m_index)].name; }
TFieldType TField::DataType() const { return m_dataSet->d->store->fields()[size_t(m_index)].type; }
int TField::Size() const { return m_dataSet->d->store->fields()[size_t(m_index)].size; }
bool TField::Visible() const { return m_dataSet->d->store->fields()[size_t(m_index)].visible; }
bool TField::Required() const { return m_dataSet->d->store->fields()[size_t(m_index)].required; }

QString TField::DisplayLabel() const
{
    const FieldInfo &f = m_dataSet->d->store->fields()[size_t(m_index)];
    return f.label.isEmpty() ? f.name : f.label;
}

void TField::setVisible(bool visible)
{
    if (Visible() == visible)
        return;
    m_dataSet->d->store->setVisible(m_index, visible);
    emit m_dataSet->structureChanged();
}

void TField::setDisplayLabel(const QString &label)
{
    const FieldInfo &f = m_dataSet->d->store->fields()[size_t(m_index)];
    const QString stored = label == f.name ? QString() : label;
    if (stored == f.label)
        return;
    m_dataSet->d->store->setLabel(m_index, stored);
    emit m_dataSet->structureChanged();
}

void TField::setRequired(bool required) { m_dataSet->d->store->setRequired(m_index, required); }

QVariant TField::Value() const
{
    return db::toVariant(TClientDataSet::Private::currentCell(*m_dataSet, m_index), DataType());
}
void TField::setValue(const QVariant &value) { m_dataSet->setCell(m_index, value); }
QString TField::AsString() const
{
    return db::toDisplay(TClientDataSet::Private::currentCell(*m_dataSet, m_index), DataType());
}
void TField::setAsString(const QString &text) { m_dataSet->setCellText(m_index, text); }

// ----------------------------------------------------------------- dataset

TClientDataSet::TClientDataSet(QObject *owner)
    : QObject(owner), d(std::make_unique<Private>(this))
{
}

TFieldDefs &TClientDataSet::FieldDefs() { return d->fieldDefs; }
bool TClientDataSet::Active() const { return d->state != dsInactive; }
TDataSetState TClientDataSet::State() const { return d->state; }
int TClientDataSet::FieldCount() const { return int(d->fields.size()); }
bool TClientDataSet::Bof() const { return d->bof; }
bool TClientDataSet::Eof() const { return d->eof; }
bool TClientDataSet::IsEmpty() const { return d->view.empty() && d->state != dsInsert; }
int TClientDataSet::RecordCount() const { return int(d->view.size()); }
int TClientDataSet::RecNo() const { return d->state == dsInsert ? 0 : d->current + 1; }
bool TClientDataSet::Modified() const { return d->modified; }
QString TClientDataSet::Filter() const { return d->filter; }
bool TClientDataSet::Filtered() const { return d->filtered; }
TIndexDefs &TClientDataSet::IndexDefs() { return d->indexDefs; }
QString TClientDataSet::IndexName() const { return d->indexName; }
int TClientDataSet::currentRow() const { return d->current; }

void setFastPath(TClientDataSet &ds, bool on) { ds.d->fastPath = on; }

TClientDataSet::~TClientDataSet() = default;

void TClientDataSet::checkActive() const
{
    if (d->state == dsInactive)
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

TField *TClientDataSet::Fields(int i) const
{
    if (i < 0 || i >= FieldCount())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(i));
    return d->fields[size_t(i)].get();
}

TField *TClientDataSet::FindField(const QString &name) const
{
    if (!d->store)
        return nullptr;
    const int i = d->store->fieldIndex(name);
    return i < 0 ? nullptr : d->fields[size_t(i)].get();
}

TField *TClientDataSet::FieldByName(const QString &name) const
{
    if (TField *f = FindField(name))
        return f;
    throw EDatabaseError(QStringLiteral("Field '%1' not found").arg(name));
}

void TClientDataSet::CreateDataSet()
{
    if (d->fieldDefs.Count() == 0)
        throw EDatabaseError(QStringLiteral("Cannot create a dataset without field definitions"));
    std::vector<FieldInfo> infos;
    for (const TFieldDef &def : d->fieldDefs.m_defs) {
        FieldInfo f;
        f.name = def.Name();
        f.type = def.DataType();
        f.size = def.Size();
        f.required = def.Required();
        infos.push_back(f);
    }
    adopt(RecordStore::create(std::move(infos)), true);
}

void TClientDataSet::Close()
{
    if (d->state == dsInactive)
        return;
    d->store.reset();
    d->fields.clear();
    d->view = {};
    d->placed = SIZE_MAX;
    d->pinned = -1;
    d->keys.clear();
    d->buffer.clear();
    d->modified = false;
    d->current = -1;
    d->bof = d->eof = true;
    setState(dsInactive);
    emit structureChanged();
    emit viewReset();
    emit currentChanged(-1);
}

namespace {

db::SortKeys sortKeysOf(const TIndexDef &def, const RecordStore &store)
{
    db::SortKeys keys;
    for (const QString &name : def.Fields().split(u';', Qt::SkipEmptyParts)) {
        const int f = store.fieldIndex(name.trimmed());
        if (f < 0)
            throw EDatabaseError(
                QStringLiteral("Index '%1' names the field '%2', which is not in the dataset").arg(def.Name(), name));
        keys.push_back({f, def.Options().testFlag(ixDescending), def.Options().testFlag(ixCaseInsensitive)});
    }
    return keys;
}

} // namespace

bool OrdersAhead::viewReady(TClientDataSet &ds)
{
    if (ds.d->placed < ds.d->view.size()) {
        if (!ds.d->store->orderReady(ds.d->keys))
            return false;
        TClientDataSet::Private::settle(ds);
    }
    return true;
}

bool OrdersAhead::orderReady(TClientDataSet &ds, const db::SortKeys &keys)
{
    return ds.d->store->orderReady(keys);
}

bool OrdersAhead::prefixOrderReady(TClientDataSet &ds, int field, bool ignoreAccents)
{
    return ds.d->store->prefixOrderReady(field, ignoreAccents);
}

db::SortKeys OrdersAhead::viewKeys(const TClientDataSet &ds)
{
    return ds.d->keys;
}

db::SortKeys OrdersAhead::indexKeys(const TClientDataSet &ds, int i)
{
    return sortKeysOf(ds.d->indexDefs.Items(i), *ds.d->store);
}

bool OrdersAhead::searchable(const TClientDataSet &ds, int field)
{
    return field >= 0 && ds.d->store->column(field).storage() != db::Storage::Real;
}

TClientDataSet::Prepared TClientDataSet::prepare(RecordStore &store, const QString &filter, bool filtered,
                                                 const QString &indexName) const
{
    Prepared p;
    if (!indexName.isEmpty()) {
        const int i = d->indexDefs.IndexOf(indexName);
        if (i < 0)
            throw EDatabaseError(QStringLiteral("Index '%1' not found").arg(indexName));
        p.keys = sortKeysOf(d->indexDefs.m_defs[size_t(i)], store);
    }
    db::FilterPlan plan;
    if (filtered) {
        store.checkFilter(filter);
        plan = store.plan(filter, d->fastPath);
    }
    p.view = store.select(p.keys, plan, &p.placed);
    return p;
}

void TClientDataSet::adopt(std::unique_ptr<RecordStore> store, bool keepIndexDefs)
{
    // Everything that can fail is done before the dataset changes.
    const QString indexName = keepIndexDefs ? d->indexName : QString();
    Prepared p;
    if (keepIndexDefs) {
        p = prepare(*store, d->filter, d->filtered, indexName);
    } else {
        // The packet's structure replaces the definitions.
        TIndexDefs none(this);
        std::swap(d->indexDefs.m_defs, none.m_defs);
        try {
            p = prepare(*store, d->filter, d->filtered, QString());
        } catch (...) {
            std::swap(d->indexDefs.m_defs, none.m_defs);
            throw;
        }
    }
    d->store = std::move(store);
    d->fields.clear();
    d->fieldDefs.m_defs.clear();
    for (size_t i = 0; i < d->store->fields().size(); ++i) {
        const FieldInfo &f = d->store->fields()[i];
        d->fields.push_back(std::unique_ptr<TField>(new TField(this, int(i))));
        d->fieldDefs.m_defs.emplace_back(f.name, f.type, f.size, f.required);
    }
    d->indexName = indexName;
    d->buffer.clear();
    d->modified = false;
    setState(dsBrowse);
    emit structureChanged();
    commitView(std::move(p), false);
}

void TClientDataSet::commitView(Prepared &&prepared, bool keepCurrent)
{
    const int keep = keepCurrent && d->current >= 0 ? d->view[size_t(d->current)] : -1;
    d->keys = std::move(prepared.keys);
    d->view = std::move(prepared.view);
    d->placed = prepared.placed;
    d->pinned = -1;
    int row = d->view.empty() ? -1 : 0;
    if (keep >= 0) {
        const int at = viewPosition(keep);
        if (at >= 0 && !d->isPlaced(at)) {
            // Its place in the order is the number of records before it.
            const auto rest = d->view.begin() + std::ptrdiff_t(d->placed);
            const int place = int(d->placed) + int(std::count_if(rest, d->view.end(), [&](int r) {
                                  return d->store->less(d->keys, r, keep, false);
                              }));
            std::vector<int> &view = d->view.edit();
            std::swap(view[size_t(at)], view[size_t(place)]);
            d->pinned = place;
            row = place;
        } else if (at >= 0) {
            row = at;
        }
    }
    if (!d->holdView())
        emit viewReset();
    d->current = -1; // so that the change is announced
    moveTo(row, row <= 0, d->view.empty());
}

int TClientDataSet::viewPosition(int rowid) const
{
    const auto it = std::find(d->view.begin(), d->view.end(), rowid);
    return it == d->view.end() ? -1 : int(it - d->view.begin());
}

void TClientDataSet::moveTo(int row, bool bof, bool eof)
{
    if (row >= 0 && !d->isPlaced(row))
        Private::settle(*this);
    d->bof = bof;
    d->eof = eof;
    if (row == d->current)
        return;
    d->current = row;
    if (d->controlsOff > 0)
        d->currentPending = true;
    else
        emit currentChanged(row);
}

void TClientDataSet::DisableControls()
{
    ++d->controlsOff;
}

void TClientDataSet::EnableControls()
{
    Private &p = *d;
    if (p.controlsOff == 0 || --p.controlsOff > 0)
        return;
    const bool view = std::exchange(p.viewPending, false);
    const bool current = std::exchange(p.currentPending, false);
    if (view)
        emit viewReset();
    if (view || current)
        emit currentChanged(d->current);
}

void TClientDataSet::setState(TDataSetState state)
{
    if (d->state == state)
        return;
    d->state = state;
    emit stateChanged();
}

// Leaving an edit state by moving: a changed record is posted, an
// unchanged one dropped.
void TClientDataSet::checkBrowse()
{
    checkActive();
    if (d->state == dsEdit || d->state == dsInsert) {
        if (d->modified)
            Post();
        else
            Cancel();
    }
}

// ------------------------------------------------------------------ cursor

void TClientDataSet::First()
{
    checkBrowse();
    moveTo(d->view.empty() ? -1 : 0, true, d->view.empty());
}

void TClientDataSet::Last()
{
    checkBrowse();
    moveTo(int(d->view.size()) - 1, d->view.empty(), true);
}

void TClientDataSet::Next()
{
    checkBrowse();
    if (d->current + 1 < int(d->view.size()))
        moveTo(d->current + 1, false, false);
    else
        d->eof = true;
}

void TClientDataSet::Prior()
{
    checkBrowse();
    if (d->current > 0)
        moveTo(d->current - 1, false, false);
    else
        d->bof = true;
}

void TClientDataSet::setRecNo(int recNo)
{
    checkBrowse();
    if (recNo < 1 || recNo > int(d->view.size()))
        throw EDatabaseError(QStringLiteral("Record %1 does not exist (the view holds %2)").arg(recNo).arg(d->view.size()));
    moveTo(recNo - 1, false, false);
}

// ----------------------------------------------------------------- editing

void TClientDataSet::Insert()
{
    checkBrowse();
    d->insertBefore = d->current >= 0 ? d->view[size_t(d->current)] : -1;
    d->buffer.assign(d->store->fields().size(), Cell());
    d->modified = false;
    setState(dsInsert);
}

void TClientDataSet::Append()
{
    checkBrowse();
    d->insertBefore = -1;
    d->buffer.assign(d->store->fields().size(), Cell());
    d->modified = false;
    setState(dsInsert);
}

void TClientDataSet::Edit()
{
    checkActive();
    if (d->state == dsEdit || d->state == dsInsert)
        return;
    if (d->view.empty()) {
        Insert();
        return;
    }
    d->buffer = d->store->row(d->view[size_t(d->current)]);
    d->modified = false;
    setState(dsEdit);
}

void TClientDataSet::Post()
{
    checkActive();
    if (d->state != dsEdit && d->state != dsInsert)
        return;
    Private::settle(*this); // a record goes to its place in the order
    const auto &infos = d->store->fields();
    for (size_t f = 0; f < infos.size(); ++f)
        if (infos[f].required && d->buffer[f].kind == Cell::Null)
            throw EDatabaseError(QStringLiteral("Field '%1' must have a value").arg(infos[f].name));

    auto sortedAt = [this](int rowid) {
        return int(std::lower_bound(d->view.begin(), d->view.end(), rowid,
                                    [this](int a, int b) { return d->store->less(d->keys, a, b); })
                   - d->view.begin());
    };
    if (d->state == dsInsert) {
        const double pos = d->insertBefore >= 0 && d->store->alive(d->insertBefore)
                               ? d->store->positionBefore(d->insertBefore)
                               : d->store->positionAfterLast();
        const int rowid = d->store->insertRow(pos, d->buffer);
        const int at = sortedAt(rowid);
        std::vector<int> &view = d->view.edit();
        view.insert(view.begin() + at, rowid);
        d->buffer.clear();
        d->modified = false;
        setState(dsBrowse);
        if (!d->holdView())
            emit rowInserted(at);
        d->current = -1;
        moveTo(at, false, false);
        return;
    }
    const int rowid = d->view[size_t(d->current)];
    d->store->updateRow(rowid, d->buffer);
    const int from = d->current;
    std::vector<int> &view = d->view.edit();
    view.erase(view.begin() + from);
    const int to = sortedAt(rowid);
    view.insert(view.begin() + to, rowid);
    d->buffer.clear();
    d->modified = false;
    setState(dsBrowse);
    if (from == to) {
        d->bof = d->eof = false;
        if (!d->holdView())
            emit rowChanged(to);
    } else {
        if (!d->holdView()) {
            emit rowRemoved(from);
            emit rowInserted(to);
        }
        d->current = -1;
        moveTo(to, false, false);
    }
}

void TClientDataSet::Cancel()
{
    if (d->state != dsEdit && d->state != dsInsert)
        return;
    d->buffer.clear();
    d->modified = false;
    setState(dsBrowse);
}

void TClientDataSet::Delete()
{
    checkActive();
    if (d->state == dsInsert) {
        Cancel();
        return;
    }
    Cancel();
    if (d->view.empty())
        throw EDatabaseError(QStringLiteral("Cannot delete from an empty dataset"));
    Private::settle(*this);
    const int at = d->current;
    d->store->deleteRow(d->view[size_t(at)]);
    std::vector<int> &view = d->view.edit();
    view.erase(view.begin() + at);
    if (!d->holdView())
        emit rowRemoved(at);
    const int row = at < int(d->view.size()) ? at : int(d->view.size()) - 1;
    d->current = -1;
    moveTo(row, d->view.empty(), d->view.empty());
}

void TClientDataSet::EmptyDataSet()
{
    checkActive();
    Cancel();
    d->store->deleteAll();
    Prepared p;
    p.keys = d->keys;
    commitView(std::move(p), false);
}

Cell TClientDataSet::Private::currentCell(const TClientDataSet &ds, int field)
{
    if (ds.d->state == dsEdit || ds.d->state == dsInsert)
        return ds.d->buffer[size_t(field)];
    if (ds.d->current < 0 || !ds.d->store)
        return {};
    return ds.d->store->cell(ds.d->view[size_t(ds.d->current)], field);
}

void TClientDataSet::setCell(int field, const QVariant &value)
{
    if (d->state != dsEdit && d->state != dsInsert)
        throw EDatabaseError(QStringLiteral("Dataset not in edit or insert mode"));
    d->buffer[size_t(field)] = db::toCell(value, d->store->fields()[size_t(field)]);
    d->modified = true;
}

void TClientDataSet::setCellText(int field, const QString &text)
{
    if (d->state != dsEdit && d->state != dsInsert)
        throw EDatabaseError(QStringLiteral("Dataset not in edit or insert mode"));
    d->buffer[size_t(field)] = db::fromDisplay(text, d->store->fields()[size_t(field)]);
    d->modified = true;
}

QVariant TClientDataSet::viewValue(int row, int field) const
{
    if (row < 0 || row >= int(d->view.size()) || field < 0 || field >= FieldCount())
        return {};
    if (!d->isPlaced(row))
        Private::settle(const_cast<TClientDataSet &>(*this)); // no row read so far moves
    return db::toVariant(d->store->cell(d->view[size_t(row)], field), d->store->fields()[size_t(field)].type);
}

QString TClientDataSet::viewText(int row, int field) const
{
    if (row < 0 || row >= int(d->view.size()) || field < 0 || field >= FieldCount())
        return {};
    if (!d->isPlaced(row))
        Private::settle(const_cast<TClientDataSet &>(*this)); // no row read so far moves
    return db::toDisplay(d->store->cell(d->view[size_t(row)], field), d->store->fields()[size_t(field)].type);
}

// ------------------------------------------------------- filter and order

void TClientDataSet::setFilter(const QString &text)
{
    if (d->state == dsInactive) {
        d->filter = text;
        return;
    }
    checkBrowse();
    if (d->filtered) {
        Prepared p = prepare(*d->store, text, true, d->indexName);
        d->filter = text;
        commitView(std::move(p), false);
    } else {
        d->store->checkFilter(text);
        d->filter = text;
    }
}

void TClientDataSet::setFiltered(bool on)
{
    if (on == d->filtered)
        return;
    if (d->state == dsInactive) {
        d->filtered = on;
        return;
    }
    checkBrowse();
    Prepared p = prepare(*d->store, d->filter, on, d->indexName);
    d->filtered = on;
    commitView(std::move(p), false);
}

void TClientDataSet::setIndexName(const QString &name)
{
    if (d->state == dsInactive) {
        d->indexName = name;
        return;
    }
    if (name.compare(d->indexName, Qt::CaseInsensitive) == 0 && (name.isEmpty() || d->indexDefs.IndexOf(name) >= 0))
        return;
    checkBrowse();
    Prepared p = prepare(*d->store, d->filter, d->filtered, name);
    d->indexName = name.isEmpty() ? QString() : d->indexDefs.Items(d->indexDefs.IndexOf(name)).Name();
    commitView(std::move(p), true);
}

void TClientDataSet::indexDefRemoved(const QString &name)
{
    if (d->indexName.compare(name, Qt::CaseInsensitive) != 0)
        return;
    d->indexName.clear();
    if (d->state == dsInactive)
        return;
    checkBrowse();
    commitView(prepare(*d->store, d->filter, d->filtered, QString()), true);
}

// ----------------------------------------------------------------- packets

QVariant TClientDataSet::Data() const
{
    if (!d->store)
        return {};
    return d->store->serialize();
}

void TClientDataSet::setData(const QVariant &packet)
{
    if (!packet.isValid() || packet.isNull()) {
        Close();
        return;
    }
    if (packet.typeId() != QMetaType::QByteArray)
        throw EDatabaseError(QStringLiteral("The data packet cannot be loaded: it is a %1, not a byte array")
                                 .arg(QString::fromLatin1(packet.typeName())));
    adopt(RecordStore::load(packet.toByteArray()), false);
}

void copyRecords(TClientDataSet &to, const TClientDataSet &from)
{
    // Records already in SQLite go on as the packet, which their store
    // keeps; records not there yet are copied without writing one.
    if (from.d->store && from.d->store->deferred())
        to.adopt(RecordStore::copyOf(*from.d->store), false);
    else
        to.setData(from.Data());
}

void TClientDataSet::SaveToFile(const QString &fileName) const
{
    if (!d->store)
        throw EDatabaseError(QStringLiteral("Cannot save a closed dataset"));
    const QByteArray bytes = d->store->serialize();
    // A temporary file renamed over a FIFO or a device (/dev/stdout in a
    // pipe, /dev/null) would replace it with a regular file: those are
    // written into, unbuffered so that a full device fails the write.
    const QFileInfo target(fileName);
    if (target.exists() && !target.isFile() && !target.isDir()) {
        QFile file(fileName);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || file.write(bytes) != bytes.size())
            throw EDatabaseError(QStringLiteral("Cannot write %1: %2").arg(fileName, file.errorString()));
        return;
    }
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw EDatabaseError(QStringLiteral("Cannot write %1: %2").arg(fileName, file.errorString()));
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw EDatabaseError(QStringLiteral("Cannot write %1: %2").arg(fileName, file.errorString()));
}

QByteArray readDataBytes(QFile &file, const QString &name)
{
    auto tooLarge = [&] {
        return EDatabaseError(QStringLiteral("Cannot read %1: it is larger than %2 MiB, more than a dataset holds")
                                  .arg(name)
                                  .arg(kMaxDataBytes >> 20));
    };
    if (!file.isSequential() && file.size() > kMaxDataBytes)
        throw tooLarge();
    QByteArray bytes;
    // A file of known size is read in one piece; a pipe, piece by piece.
    if (!file.isSequential()) {
        bytes.resize(file.size());
        const qint64 n = file.read(bytes.data(), bytes.size());
        if (n < 0)
            throw EDatabaseError(QStringLiteral("Cannot read %1: %2").arg(name, file.errorString()));
        bytes.truncate(n);
    }
    for (;;) {
        const QByteArray piece = file.read(std::min<qint64>(qint64(1) << 20, kMaxDataBytes + 1 - bytes.size()));
        if (piece.isEmpty()) {
            if (file.error() != QFileDevice::NoError)
                throw EDatabaseError(QStringLiteral("Cannot read %1: %2").arg(name, file.errorString()));
            return bytes;
        }
        bytes += piece;
        if (bytes.size() > kMaxDataBytes)
            throw tooLarge();
    }
}

void TClientDataSet::LoadFromFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EDatabaseError(QStringLiteral("Cannot read %1: %2").arg(fileName, file.errorString()));
    // JSON in a regular file goes straight into the records, a piece at a
    // time: over a million records, reading it whole costs more than parsing.
    if (!file.isSequential() && file.size() <= kMaxDataBytes) {
        const QByteArray head = file.peek(4096);
        const QByteArrayView text = db::withoutByteOrderMark(head);
        if (text.trimmed().startsWith('{') && file.seek(head.size() - text.size())) {
            if (std::unique_ptr<RecordStore> store = fastJsonStore(file)) {
                adopt(std::move(store), false);
                return;
            }
            file.seek(0);
        }
    }
    QByteArray bytes = readDataBytes(file, fileName);
    if (bytes.startsWith(db::kByteOrderMark))
        bytes.remove(0, 3);
    if (bytes.trimmed().startsWith('{'))
        fromJson(bytes);
    else
        setData(bytes);
}

QByteArray TClientDataSet::toJson() const
{
    if (!d->store)
        throw EDatabaseError(QStringLiteral("Cannot write a closed dataset as JSON"));
    QJsonArray fields;
    for (const FieldInfo &f : d->store->fields()) {
        QJsonObject o{{QStringLiteral("name"), f.name}, {QStringLiteral("type"), fieldTypeName(f.type)}};
        // A string's size always: without one it would take its longest value's.
        if (f.size > 0 || f.type == ftString)
            o.insert(QStringLiteral("size"), f.size);
        if (!f.label.isEmpty())
            o.insert(QStringLiteral("label"), f.label);
        if (!f.visible)
            o.insert(QStringLiteral("visible"), false);
        if (f.required)
            o.insert(QStringLiteral("required"), true);
        fields.append(o);
    }
    QJsonArray records;
    const auto &infos = d->store->fields();
    for (int rowid : d->store->natural()) {
        QJsonArray rec;
        for (size_t f = 0; f < infos.size(); ++f)
            rec.append(db::jsonValue(d->store->cell(rowid, int(f)), infos[f].type));
        records.append(rec);
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("fields"), fields}, {QStringLiteral("records"), records}})
        .toJson(QJsonDocument::Compact);
}

// Written member by member: QJsonObject sorts its keys, and a record's
// fields go in their own order.
QByteArray TClientDataSet::recordJson() const
{
    if (IsEmpty())
        return QByteArrayLiteral("null");
    QByteArrayList members;
    for (int i = 0; i < FieldCount(); ++i)
        members.append(db::jsonText(Fields(i)->FieldName()) + ':'
                       + db::jsonText(db::jsonValue(Private::currentCell(*this, i), Fields(i)->DataType())));
    return '{' + members.join(',') + '}';
}

} // namespace TouchDialogs
