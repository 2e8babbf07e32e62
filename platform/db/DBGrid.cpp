#include "platform/db/DBGrid.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Form.h"
#include "platform/rtl/Exceptions.h"
#include "platform/win/Windows.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QPointingDevice>
#include <QScroller>
#include <QStyleHints>
#include <QStyleOptionHeader>
#include <QStyledItemDelegate>
#include <algorithm>
#include <numeric>

namespace TouchDialogs {

void TDataSource::setDataSet(TClientDataSet *dataSet)
{
    if (m_dataSet == dataSet)
        return;
    m_dataSet = dataSet;
    emit dataSetChanged(dataSet);
}

namespace {

// Draws the row and column lines the grid's options ask for; Qt's own grid
// has only both or none.
class LinesDelegate : public QStyledItemDelegate {
public:
    explicit LinesDelegate(TDBGrid *grid) : QStyledItemDelegate(grid), m_grid(grid) {}

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        const auto options = m_grid->Options();
        painter->save();
        painter->setPen(m_grid->palette().color(QPalette::Mid));
        const QRect r = option.rect;
        if (options.testFlag(dgRowLines))
            painter->drawLine(r.bottomLeft(), r.bottomRight());
        if (options.testFlag(dgColLines))
            painter->drawLine(r.topRight(), r.bottomRight());
        painter->restore();
    }

private:
    TDBGrid *m_grid;
};

bool numeric(TFieldType type)
{
    return type == ftInteger || type == ftLargeint || type == ftFloat || type == ftCurrency;
}

// Room around a cell's or a title's text.
constexpr int kCellPadding = 12;
// Rows whose texts say how wide a text column needs to be; enough for a
// screenful, cheap on any dataset.
constexpr int kMeasuredRows = 100;

// Lowers the widest shrinkable widths to one level, each no lower than its
// floor, until at least `excess` pixels are gone or all are at their floors.
void lowerToLevel(QList<int> &widths, const QList<int> &floors, const QList<bool> &shrinkable, qint64 excess)
{
    const auto removedAt = [&](int level) {
        qint64 removed = 0;
        for (int i = 0; i < widths.size(); ++i)
            if (shrinkable[i])
                removed += std::max(0, widths[i] - std::max(floors[i], level));
        return removed;
    };
    // What a level removes falls as the level rises: the highest level that
    // still removes enough.
    int enough = 0;
    int tooHigh = *std::max_element(widths.cbegin(), widths.cend());
    if (removedAt(0) >= excess) {
        while (tooHigh - enough > 1) {
            const int mid = enough + (tooHigh - enough) / 2;
            (removedAt(mid) >= excess ? enough : tooHigh) = mid;
        }
    }
    for (int i = 0; i < widths.size(); ++i)
        if (shrinkable[i])
            widths[i] = std::min(widths[i], std::max(floors[i], enough));
}

qint64 sum(const QList<int> &widths)
{
    return std::accumulate(widths.cbegin(), widths.cend(), qint64(0));
}

} // namespace

QList<int> fitColumnWidths(const QList<ColumnRoom> &columns, int available)
{
    QList<int> widths, contentFloors, floors;
    QList<bool> shrinkable;
    for (const ColumnRoom &c : columns) {
        widths << c.wanted;
        floors << std::min(c.floor, c.wanted);
        contentFloors << std::max(floors.last(), std::min(c.content, c.wanted));
        shrinkable << c.shrinkable;
    }
    if (widths.isEmpty() || sum(widths) <= available)
        return widths;
    lowerToLevel(widths, contentFloors, shrinkable, sum(widths) - available);
    if (sum(widths) > available)
        lowerToLevel(widths, floors, shrinkable, sum(widths) - available);
    return widths;
}

// ------------------------------------------------------------------ columns

void TColumnTitleFont::setColor(TColor color)
{
    if (m_color == color)
        return;
    m_color = color;
    if (m_column)
        m_column->Grid()->titleColorChanged(m_column->Index());
}

QString TColumnTitle::Caption() const
{
    const TField *f = m_column->Field();
    return f ? f->DisplayLabel() : QString();
}

TColumn::TColumn(TDBGrid *grid, int index, int field) : m_grid(grid), m_index(index), m_field(field)
{
    m_title.m_column = this;
    m_title.m_font.m_column = this;
}

TField *TColumn::Field() const
{
    TClientDataSet *ds = m_grid->dataSet();
    return ds && m_field < ds->FieldCount() ? ds->Fields(m_field) : nullptr;
}

QString TColumn::FieldName() const
{
    const TField *f = Field();
    return f ? f->FieldName() : QString();
}

TColumn &TDBGridColumns::Items(int i) const
{
    if (i < 0 || i >= Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(i));
    return *m_columns[size_t(i)];
}

// -------------------------------------------------------------------- model

TDataSetModel::TDataSetModel(TDBGrid *grid) : QAbstractTableModel(grid), m_grid(grid) {}

int TDataSetModel::rowCount(const QModelIndex &parent) const
{
    const TClientDataSet *ds = m_grid->dataSet();
    return parent.isValid() || !ds || !ds->Active() ? 0 : ds->RecordCount();
}

int TDataSetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_grid->m_columns.Count();
}

QVariant TDataSetModel::data(const QModelIndex &index, int role) const
{
    const TClientDataSet *ds = m_grid->dataSet();
    if (!ds || !index.isValid() || index.column() >= m_grid->m_columns.Count())
        return {};
    const int field = m_grid->m_columns.m_columns[size_t(index.column())]->fieldIndex();
    switch (role) {
    case Qt::DisplayRole:
        return ds->viewText(index.row(), field);
    case Qt::EditRole:
        return ds->viewValue(index.row(), field);
    case Qt::TextAlignmentRole:
        return numeric(ds->Fields(field)->DataType()) ? int(Qt::AlignRight | Qt::AlignVCenter)
                                                      : int(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant TDataSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical) {
        const TClientDataSet *ds = m_grid->dataSet();
        if (role == Qt::DisplayRole)
            return ds && section == ds->currentRow() ? QStringLiteral("\u25B6") : QString();
        return {};
    }
    if (section < 0 || section >= m_grid->m_columns.Count())
        return {};
    const TColumn &column = *m_grid->m_columns.m_columns[size_t(section)];
    switch (role) {
    case Qt::DisplayRole:
        return column.Title().Caption();
    case Qt::ForegroundRole:
        return QBrush(toQColor(column.Title().Font().Color()));
    case Qt::FontRole:
        return m_grid->TitleFont();
    default:
        return {};
    }
}

Qt::ItemFlags TDataSetModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (m_grid->Options().testFlag(dgEditing))
        f |= Qt::ItemIsEditable;
    return f;
}

bool TDataSetModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    TClientDataSet *ds = m_grid->dataSet();
    if (!ds || role != Qt::EditRole || !index.isValid())
        return false;
    bool stored = false;
    const int field = m_grid->m_columns.m_columns[size_t(index.column())]->fieldIndex();
    dispatchEvent(m_grid, [&] {
        if (ds->currentRow() != index.row())
            ds->setRecNo(index.row() + 1);
        ds->Edit();
        try {
            ds->Fields(field)->setValue(value);
            ds->Post();
        } catch (...) {
            ds->Cancel();
            throw;
        }
        stored = true;
    });
    return stored;
}

// --------------------------------------------------------------------- grid

namespace {

// Titles drawn under one kept palette per colour scheme (sharedPalette).
class TitleHeader : public QHeaderView {
public:
    using QHeaderView::QHeaderView;

protected:
    void initStyleOptionForIndex(QStyleOptionHeader *option, int logicalIndex) const override
    {
        QHeaderView::initStyleOptionForIndex(option, logicalIndex);
        option->palette = sharedPalette(option->palette);
    }
};

} // namespace

TDBGrid::TDBGrid(QWidget *parent)
    : QTableView(parent), m_model(new TDataSetModel(this)),
      m_options(dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgEditing)
{
    setHorizontalHeader(new TitleHeader(Qt::Horizontal, this));
    setVerticalHeader(new TitleHeader(Qt::Vertical, this));
    verticalHeader()->setSectionsClickable(true); // as QTableView's own
    verticalHeader()->setHighlightSections(true);
    setModel(m_model);
    setItemDelegate(new LinesDelegate(this));
    setShowGrid(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(textRowHeight());
    verticalHeader()->setFixedWidth(16);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSortIndicatorShown(false);
    m_titleFont = font();
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &TDBGrid::titleClicked);
    setOptions(m_options);
}

TDBGrid::~TDBGrid()
{
    for (const auto &c : std::as_const(m_connections))
        disconnect(c);
}

TClientDataSet *TDBGrid::dataSet() const
{
    return m_dataSet;
}

void TDBGrid::setDataSource(TDataSource *source)
{
    if (m_source == source)
        return;
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    if (source) {
        m_sourceName = source->objectName();
        connect(source, &TDataSource::dataSetChanged, this, [this](TClientDataSet *ds) { bindDataSet(ds); });
        connect(source, &QObject::destroyed, this, [this] { bindDataSet(nullptr); });
    }
    bindDataSet(source ? source->DataSet() : nullptr);
}

void TDBGrid::setDataSourceName(const QString &name)
{
    m_sourceName = name;
    resolveSourceName();
}

void TDBGrid::resolveSourceName()
{
    if (m_sourceName.isEmpty() || (m_source && m_source->objectName() == m_sourceName))
        return;
    if (auto *source = window()->findChild<TDataSource *>(m_sourceName))
        setDataSource(source);
}

void TDBGrid::changeEvent(QEvent *event)
{
    // Rows follow the cell font, which a layout sets after construction.
    if (event->type() == QEvent::FontChange)
        verticalHeader()->setDefaultSectionSize(textRowHeight());
    QTableView::changeEvent(event);
}

int TDBGrid::textRowHeight() const
{
    return fontMetrics().height() + int(qRound(6 * m_scale));
}

void TDBGrid::applyScale(double factor)
{
    m_scale = factor;
    verticalHeader()->setFixedWidth(int(qRound(16 * factor)));
    verticalHeader()->setDefaultSectionSize(textRowHeight());
}

void TDBGrid::showEvent(QShowEvent *event)
{
    resolveSourceName();
    QTableView::showEvent(event);
    fitColumns();
}

void TDBGrid::resizeEvent(QResizeEvent *event)
{
    QTableView::resizeEvent(event);
    if (event->size().width() != event->oldSize().width())
        fitColumns();
}

void TDBGrid::bindDataSet(TClientDataSet *ds)
{
    for (const auto &c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    const bool changed = ds != m_dataSet;
    m_dataSet = ds;
    if (changed)
        m_columns.m_columns.clear();
    if (ds) {
        m_connections << connect(ds, &TClientDataSet::structureChanged, this, &TDBGrid::rebuildColumns)
                      << connect(ds, &TClientDataSet::viewReset, this,
                                 [this] {
                                     m_model->beginResetModel();
                                     m_model->endResetModel();
                                     settleBeforePaint();
                                 })
                      << connect(ds, &TClientDataSet::rowInserted, this,
                                 [this](int row) {
                                     m_model->beginInsertRows({}, row, row);
                                     m_model->endInsertRows();
                                 })
                      << connect(ds, &TClientDataSet::rowRemoved, this,
                                 [this](int row) {
                                     m_model->beginRemoveRows({}, row, row);
                                     m_model->endRemoveRows();
                                 })
                      << connect(ds, &TClientDataSet::rowChanged, this,
                                 [this](int row) {
                                     emit m_model->dataChanged(m_model->index(row, 0),
                                                               m_model->index(row, m_model->columnCount() - 1));
                                 })
                      << connect(ds, &TClientDataSet::currentChanged, this, &TDBGrid::followDataSet)
                      << connect(ds, &QObject::destroyed, this, [this] { bindDataSet(nullptr); });
    }
    rebuildColumns();
}

void TDBGrid::rebuildColumns()
{
    // Columns that show the same field keep their title colour.
    QHash<QString, TColor> colours;
    for (const auto &c : m_columns.m_columns)
        colours.insert(c->FieldName(), c->Title().Font().Color());
    m_model->beginResetModel();
    m_columns.m_columns.clear();
    if (m_dataSet && m_dataSet->Active()) {
        for (int f = 0; f < m_dataSet->FieldCount(); ++f) {
            const TField *field = m_dataSet->Fields(f);
            if (!field->Visible())
                continue;
            auto column = std::make_unique<TColumn>(this, m_columns.Count(), f);
            column->Title().Font().m_color = colours.value(field->FieldName(), m_titleColor);
            m_columns.m_columns.push_back(std::move(column));
        }
    }
    m_model->endResetModel();
    for (int i = 0; i < m_columns.Count(); ++i)
        setColumnWidth(i, defaultColumnWidth(*m_columns.Items(i).Field()));
    m_fittedWidth = -1;
    fitColumns();
    followDataSet(m_dataSet ? m_dataSet->currentRow() : -1);
}

// Wide enough for the field's usual text and for its title.
int TDBGrid::defaultColumnWidth(const TField &field) const
{
    int characters;
    switch (field.DataType()) {
    case ftString: characters = field.Size() > 0 ? std::min(field.Size(), 40) : 20; break;
    case ftBoolean: characters = 5; break;
    case ftDate:
    case ftTime:
    case ftFloat:
    case ftCurrency: characters = 10; break;
    case ftDateTime: characters = 18; break;
    case ftLargeint: characters = 20; break; // 19 digits and a sign
    case ftMemo: characters = 30; break;
    default: characters = 8; break;
    }
    const int cells = characters * fontMetrics().horizontalAdvance(QLatin1Char('0'));
    const int title = QFontMetrics(m_titleFont).horizontalAdvance(field.DisplayLabel());
    return std::max(cells, title) + kCellPadding;
}

void TDBGrid::fitColumns()
{
    // The touch forms clip the grid's scroll bars off, and a column out of
    // sight cannot be touched: text columns give up room so that every
    // column shows, as far as their titles allow.
    if (!isVisible() || !m_dataSet || m_columns.Count() == 0)
        return;
    // Only a new width or new columns fit them again: a width the user
    // dragged stays while rows come and go.
    const int available = visibleCellsWidth();
    if (available <= 0 || available == m_fittedWidth)
        return;
    m_fittedWidth = available;
    const QFontMetrics titles(m_titleFont);
    const QFontMetrics cells = fontMetrics();
    const int rows = std::min(m_model->rowCount(), kMeasuredRows);
    QList<ColumnRoom> rooms;
    for (int i = 0; i < m_columns.Count(); ++i) {
        const TField &field = *m_columns.Items(i).Field();
        ColumnRoom room;
        room.wanted = defaultColumnWidth(field);
        room.floor = titles.horizontalAdvance(field.DisplayLabel()) + kCellPadding;
        room.shrinkable = field.DataType() == ftString || field.DataType() == ftMemo;
        for (int r = 0; room.shrinkable && r < rows; ++r)
            room.content = std::max(room.content, cells.horizontalAdvance(m_model->index(r, i).data().toString())
                                                      + kCellPadding);
        rooms << room;
    }
    const QList<int> widths = fitColumnWidths(rooms, available);
    for (int i = 0; i < widths.size(); ++i)
        setColumnWidth(i, widths[i]);
}

int TDBGrid::visibleCellsWidth() const
{
    // The part of the cells that the parent does not clip.
    QRect cells = viewport()->geometry();
    if (!isWindow() && parentWidget())
        cells = cells.translated(pos()) & parentWidget()->rect();
    return cells.width();
}

void TDBGrid::titleColorChanged(int column)
{
    emit m_model->headerDataChanged(Qt::Horizontal, column, column);
    horizontalHeader()->viewport()->update();
}

void TDBGrid::followDataSet(int row)
{
    if (m_syncing)
        return;
    m_syncing = true;
    if (row < 0 || row >= m_model->rowCount()) {
        selectionModel()->clearCurrentIndex();
        selectionModel()->clearSelection();
    } else {
        const int column = std::max(currentIndex().column(), 0);
        const QModelIndex index = m_model->index(row, std::min(column, std::max(m_model->columnCount() - 1, 0)));
        selectionModel()->setCurrentIndex(index, m_options.testFlag(dgRowSelect)
                                                     ? QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows
                                                     : QItemSelectionModel::ClearAndSelect);
        scrollTo(index);
    }
    // The indicator moves: only its old and new rows are drawn again (the
    // header looks at every row of a range it is told of).
    const int rows = m_model->rowCount();
    for (const int r : {m_indicatorRow, row})
        if (r >= 0 && r < rows)
            emit m_model->headerDataChanged(Qt::Vertical, r, r);
    m_indicatorRow = row;
    m_syncing = false;
    settleBeforePaint();
}

// Qt lays out a view and its headers after a reset or a move in zero
// timers, which run after the paint they invalidate: every typed key would
// paint the grid twice. A posted call runs before the paint (which Qt posts
// at low priority), so the layout is done by then and the paint is the only one.
void TDBGrid::settleBeforePaint()
{
    if (m_settlePosted)
        return;
    m_settlePosted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_settlePosted = false;
            verticalHeader()->count(); // runs a header's pending layout
            horizontalHeader()->count();
            executeDelayedItemsLayout();
        },
        Qt::QueuedConnection);
}

void TDBGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    if (m_syncing || !m_dataSet || !current.isValid() || current.row() == m_dataSet->currentRow())
        return;
    m_syncing = true;
    dispatchEvent(this, [&] { m_dataSet->setRecNo(current.row() + 1); });
    m_syncing = false;
    // When the dataset could not move (a record it failed to post), the
    // grid goes back to the dataset's row.
    if (m_dataSet && m_dataSet->currentRow() != current.row())
        followDataSet(m_dataSet->currentRow());
}

void TDBGrid::titleClicked(int section)
{
    if (section < 0 || section >= m_columns.Count())
        return;
    dispatchEvent(this, [&] {
        if (OnTitleClick)
            OnTitleClick(&m_columns.Items(section));
    });
}

void TDBGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    // Anywhere on the cells, rows or not: the form decides what a double
    // click means (a search picks whatever is current, even nothing).
    QTableView::mouseDoubleClickEvent(event);
    dispatchEvent(this, [&] {
        if (OnDblClick)
            OnDblClick(this);
    });
}

// Fingers drag the rows; a mouse still clicks and selects as usual. The
// scroller is fed the mouse events Qt makes of a touch rather than grabbing
// Qt's flick gesture, whose helper object stays bound to the first Qt
// application and is used after it was freed once a second one runs.
bool TDBGrid::viewportEvent(QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease
        && type != QEvent::MouseButtonDblClick)
        return QTableView::viewportEvent(event);
    auto *mouse = static_cast<QMouseEvent *>(event);
    if (mouse->pointingDevice()->type() != QInputDevice::DeviceType::TouchScreen)
        return QTableView::viewportEvent(event);
    // Qt makes a double click of two taps only when both meet one pixel,
    // which fingers never do, and sends it in place of the second touch:
    // the grid takes it as that touch and tells a double tap itself.
    const bool touched = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick;
    QScroller *scroller = QScroller::scroller(viewport());
    const QScroller::State before = scroller->state();
    // A touch on rows still gliding after a flick only stops them, as on
    // any touch screen: it picks nothing, and neither does its lift.
    if (touched)
        m_touchStoppedGlide = before == QScroller::Scrolling;
    const bool stopping = m_touchStoppedGlide;
    if (type == QEvent::MouseButtonRelease)
        m_touchStoppedGlide = false;
    scroller->handleInput(touched                     ? QScroller::InputPress
                          : type == QEvent::MouseMove ? QScroller::InputMove
                                                      : QScroller::InputRelease,
                          mouse->position(), qint64(mouse->timestamp()));
    // A drag moves the rows: it neither selects them nor ends in a click.
    if (type == QEvent::MouseMove || stopping
        || (type == QEvent::MouseButtonRelease && before == QScroller::Dragging)) {
        if (type != QEvent::MouseMove)
            m_lastTap = {};
        event->accept();
        return true;
    }
    if (!touched)
        return QTableView::viewportEvent(event);
    bool handled;
    if (type == QEvent::MouseButtonPress) {
        handled = QTableView::viewportEvent(event);
    } else {
        QMouseEvent press(QEvent::MouseButtonPress, mouse->position(), mouse->scenePosition(), mouse->globalPosition(),
                          Qt::LeftButton, Qt::LeftButton, mouse->modifiers(), mouse->source(),
                          mouse->pointingDevice());
        press.setTimestamp(mouse->timestamp());
        handled = QTableView::viewportEvent(&press);
        event->setAccepted(press.isAccepted());
    }
    // A second touch on the row of the first, as soon as a double click.
    const Tap tap{qint64(mouse->timestamp()), rowAt(mouse->position().toPoint().y())};
    const bool second = m_lastTap.time >= 0 && tap.row == m_lastTap.row
                        && tap.time - m_lastTap.time < QGuiApplication::styleHints()->mouseDoubleClickInterval();
    m_lastTap = second ? Tap{} : tap;
    if (second) {
        QMouseEvent twice(QEvent::MouseButtonDblClick, mouse->position(), mouse->scenePosition(),
                          mouse->globalPosition(), Qt::LeftButton, Qt::LeftButton, mouse->modifiers(),
                          mouse->source(), mouse->pointingDevice());
        mouseDoubleClickEvent(&twice);
    }
    return handled;
}

void TDBGrid::keyPressEvent(QKeyEvent *event)
{
    // Inside a form the form offers keys to OnKeyDown; standing alone, the
    // grid does it itself.
    if (!qobject_cast<TForm *>(window()) && OnKeyDown) {
        const KeyInfo info = keyFromQt(*event);
        WORD key = info.key;
        dispatchEvent(this, [&] { OnKeyDown(this, key, info.shift); });
        if (key == 0)
            return;
    }
    QTableView::keyPressEvent(event);
}

void TDBGrid::setOptions(TDBGridOptions options)
{
    m_options = options;
    horizontalHeader()->setVisible(options.testFlag(dgTitles));
    verticalHeader()->setVisible(options.testFlag(dgIndicator));
    horizontalHeader()->setSectionResizeMode(options.testFlag(dgColumnResize) ? QHeaderView::Interactive
                                                                              : QHeaderView::Fixed);
    setSelectionBehavior(options.testFlag(dgRowSelect) ? QAbstractItemView::SelectRows
                                                       : QAbstractItemView::SelectItems);
    setEditTriggers(options.testFlag(dgEditing)
                        ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                        : QAbstractItemView::NoEditTriggers);
    QPalette pal = palette();
    const QPalette::ColorGroup from = options.testFlag(dgAlwaysShowSelection) ? QPalette::Active : QPalette::Inactive;
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(from, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText, pal.color(from, QPalette::HighlightedText));
    setPalette(pal);
    followDataSet(m_dataSet ? m_dataSet->currentRow() : -1);
    viewport()->update();
}

QColor TDBGrid::Color() const
{
    return palette().color(QPalette::Base);
}

void TDBGrid::setColor(const QColor &color)
{
    QPalette pal = palette();
    pal.setColor(QPalette::Base, color);
    setPalette(pal);
}

void TDBGrid::setTitleFont(const QFont &font)
{
    m_titleFont = font;
    horizontalHeader()->setFont(font);
    emit m_model->headerDataChanged(Qt::Horizontal, 0, std::max(m_columns.Count() - 1, 0));
}

void TDBGrid::setTitleColor(const QColor &color)
{
    m_titleColor = fromQColor(color);
    for (const auto &c : m_columns.m_columns)
        c->Title().Font().m_color = m_titleColor;
    emit m_model->headerDataChanged(Qt::Horizontal, 0, std::max(m_columns.Count() - 1, 0));
}

bool TDBGrid::bindEvent(const QByteArray &event, TForm &form, const QString &handler)
{
    if (event == "onTitleClick")
        OnTitleClick = form.handler<TColumn *>(handler);
    else if (event == "onDblClick")
        OnDblClick = form.handler<QObject *>(handler);
    else if (event == "onKeyDown")
        OnKeyDown = form.handler<QObject *, WORD &, TShiftState>(handler);
    else if (event == "onKeyPress")
        OnKeyPress = form.handler<QObject *, QChar &>(handler);
    else
        return false;
    return true;
}

} // namespace TouchDialogs
