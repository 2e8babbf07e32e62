#include "platform/grid/DBGrid.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Form.h"
#include "platform/rtl/Exceptions.h"
#include "platform/win/Windows.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QPointingDevice>
#include <QScroller>
#include <QStyleHints>
#include <QStyleOptionHeader>
#include <QStyledItemDelegate>
#include <QStaticText>
#include <QTextLayout>
#include <algorithm>
#include <array>
#include <memory>
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

// A cell's text as QCommonStyle lays it out in an item view, shaped once
// and kept: shaping the texts of a screenful again was most of the time a
// typed key took to paint.
struct CellText {
    QStaticText shown; // the text, or its elided form where it does not fit
    int height = 0;    // of the whole text's line, which centres it
    bool plain = true; // one line: otherwise the style draws it
};

// Draws the cells as QStyledItemDelegate does under the Fusion style (the
// background, the text and its elision), from kept text layouts; any other
// cell, style or role it leaves to QStyledItemDelegate. Then the row and
// column lines the grid's options ask for: Qt's own grid has only both or
// none.
class CellDelegate : public QStyledItemDelegate {
public:
    explicit CellDelegate(TDBGrid *grid) : QStyledItemDelegate(grid), m_grid(grid) {}

    bool styled = false;

    int keptTexts() const { return int(m_recent.size() + m_older.size()); }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        if (styled || !paintCell(painter, option, index))
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
    struct Key {
        QString text;
        int width;
        int flags; // alignment, direction, elision
        bool operator==(const Key &o) const { return width == o.width && flags == o.flags && text == o.text; }
    };
    friend size_t qHash(const Key &key, size_t seed) { return qHashMulti(seed, key.text, key.width, key.flags); }

    // Two generations: a screenful and the one before it (typing and
    // erasing a letter goes back and forth) stay, whatever was shown long
    // ago goes.
    static constexpr qsizetype kGeneration = 512;

    // Fusion, Qt's own style where no desktop brings another, leaves item
    // views to QCommonStyle; a style sheet or a desktop's style may not.
    static bool drawsItemsAsCommonStyle(const QStyle *style)
    {
        return qstrcmp(style->metaObject()->className(), "QFusionStyle") == 0;
    }

    bool paintCell(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
    {
        const QWidget *widget = option.widget;
        const QStyle *style = widget ? widget->style() : QApplication::style();
        // The focus frame and an open editor are the style's own.
        if (!drawsItemsAsCommonStyle(style) || (option.state & (QStyle::State_HasFocus | QStyle::State_Editing))
            || !option.showDecorationSelected || (option.features & QStyleOptionViewItem::WrapText))
            return false;
        const bool selected = option.state & QStyle::State_Selected;
        if (selected && !style->styleHint(QStyle::SH_ItemView_ShowDecorationSelected, &option, widget))
            return false;
        std::array<QModelRoleData, 7> roles{QModelRoleData(Qt::DisplayRole),    QModelRoleData(Qt::TextAlignmentRole),
                                            QModelRoleData(Qt::FontRole),       QModelRoleData(Qt::ForegroundRole),
                                            QModelRoleData(Qt::BackgroundRole), QModelRoleData(Qt::CheckStateRole),
                                            QModelRoleData(Qt::DecorationRole)};
        index.multiData(roles);
        const QVariant &display = roles[0].data();
        if ((display.isValid() && display.metaType().id() != QMetaType::QString)
            || std::any_of(roles.begin() + 2, roles.end(), [](const QModelRoleData &r) { return r.data().isValid(); }))
            return false;
        const QString text = display.toString();
        const Qt::Alignment alignment = roles[1].data().isValid() ? Qt::Alignment(roles[1].data().toInt())
                                                                 : option.displayAlignment;
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
        const QRect textRect = option.rect.adjusted(margin, 0, -margin, 0);
        const CellText *shaped = nullptr;
        if (!text.isEmpty()) {
            if (textRect.width() <= 0)
                return false;
            shaped = &kept(text, option, alignment, textRect.width());
            if (!shaped->plain)
                return false;
        }

        painter->save();
        painter->setClipRect(option.rect, Qt::IntersectClip);
        const QPalette &palette = option.palette;
        QPalette::ColorGroup group = (widget ? widget->isEnabled() : bool(option.state & QStyle::State_Enabled))
                                         ? QPalette::Normal
                                         : QPalette::Disabled;
        if (group == QPalette::Normal && !(option.state & QStyle::State_Active))
            group = QPalette::Inactive;
        if (selected)
            painter->fillRect(option.rect, palette.brush(group, QPalette::Highlight));
        if (shaped) {
            group = option.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
            if (group == QPalette::Normal && !(option.state & QStyle::State_Active))
                group = QPalette::Inactive;
            painter->setPen(palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
            const QRect room = QStyle::alignedRect(Qt::LayoutDirectionAuto, alignment,
                                                   QSize(textRect.width(), shaped->height), textRect);
            painter->drawStaticText(QPointF(textRect.x(), room.top()), shaped->shown);
        }
        painter->restore();
        return true;
    }

    const CellText &kept(const QString &text, const QStyleOptionViewItem &option, Qt::Alignment alignment,
                         int width) const
    {
        if (option.font != m_font) {
            m_recent.clear();
            m_older.clear();
            m_font = option.font;
        }
        const Key key{text, width, int(alignment) | int(option.direction) << 16 | int(option.textElideMode) << 20};
        if (auto it = m_recent.constFind(key); it != m_recent.cend())
            return **it;
        std::shared_ptr<CellText> cell = m_older.take(key);
        if (!cell)
            cell = shape(text, option, alignment, width);
        if (m_recent.size() >= kGeneration) {
            m_older = std::move(m_recent);
            m_recent.clear();
        }
        return **m_recent.insert(key, std::move(cell));
    }

    static std::shared_ptr<CellText> shape(const QString &text, const QStyleOptionViewItem &option,
                                           Qt::Alignment alignment, int width)
    {
        auto cell = std::make_shared<CellText>();
        // Line breaks the style turns into lines of their own.
        cell->plain = std::none_of(text.cbegin(), text.cend(), [](QChar c) {
            return c.unicode() < 0x20 || (c.unicode() >= 0x7f && c.unicode() < 0xa0) || c == QChar::LineSeparator
                   || c == QChar::ParagraphSeparator;
        });
        if (!cell->plain)
            return cell;
        QTextOption textOption;
        textOption.setWrapMode(QTextOption::ManualWrap);
        textOption.setTextDirection(option.direction);
        textOption.setAlignment(QStyle::visualAlignment(option.direction, alignment));
        // The style lays out the whole text, elides it where it does not
        // fit and centres the line shown by the whole text's height.
        QTextLayout whole(text, option.font);
        whole.setTextOption(textOption);
        whole.beginLayout();
        QTextLine line = whole.createLine();
        line.setLineWidth(width);
        whole.endLayout();
        cell->height = whole.boundingRect().size().toSize().height();
        cell->shown.setTextFormat(Qt::PlainText);
        cell->shown.setTextOption(textOption);
        cell->shown.setTextWidth(width);
        cell->shown.setText(line.naturalTextWidth() > width
                                ? QFontMetrics(option.font).elidedText(text, option.textElideMode, width)
                                : text);
        cell->shown.prepare(QTransform(), option.font);
        return cell;
    }

    TDBGrid *m_grid;
    mutable QFont m_font;
    mutable QHash<Key, std::shared_ptr<CellText>> m_recent, m_older;
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

// An item view repaints its rows whole when its window is activated or
// deactivated; drawn the same either way (one palette for both), that second
// frame right after the first paint would show nothing new.
bool activationChangesNothing(const QWidget &view, const QEvent *event)
{
    return (event->type() == QEvent::WindowActivate || event->type() == QEvent::WindowDeactivate)
           && view.palette().isEqual(QPalette::Active, QPalette::Inactive);
}

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

    bool viewportEvent(QEvent *event) override
    {
        return !activationChangesNothing(*this, event) && QHeaderView::viewportEvent(event);
    }

    // New rows under the same columns leave the titles as they were; a reset
    // would lay them out and repaint them with every key typed into a search.
    void reset() override
    {
        const auto *rows = qobject_cast<const TDataSetModel *>(model());
        if (orientation() == Qt::Horizontal && rows && rows->resettingRowsOnly() && count() == rows->columnCount())
            return;
        QHeaderView::reset();
    }

    // Titles that do not highlight the selected or current cells look the
    // same whatever they are: Qt would repaint them all as the current row
    // moves, with every key typed into a search.
    void currentChanged(const QModelIndex &current, const QModelIndex &old) override
    {
        if (highlightSections())
            QHeaderView::currentChanged(current, old);
    }

    void selectionChanged(const QItemSelection &selected, const QItemSelection &deselected) override
    {
        if (highlightSections())
            QHeaderView::selectionChanged(selected, deselected);
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
    setItemDelegate(new CellDelegate(this));
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
                                     m_model->m_resettingRows = true;
                                     m_model->beginResetModel();
                                     m_model->endResetModel();
                                     m_model->m_resettingRows = false;
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
    // header looks at every row of a range it is told of). Hidden, it is
    // drawn whole when shown; told of a change, every header and the grid
    // would lay themselves out and repaint again, the titles with each key.
    const int rows = m_model->rowCount();
    if (!verticalHeader()->isHidden())
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
    if (activationChangesNothing(*this, event))
        return false;
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

void TDBGrid::setStyledCells(bool styled)
{
    if (auto *cells = dynamic_cast<CellDelegate *>(itemDelegate()))
        cells->styled = styled;
    viewport()->update();
}

int TDBGrid::keptCellTexts() const
{
    const auto *cells = dynamic_cast<const CellDelegate *>(itemDelegate());
    return cells ? cells->keptTexts() : 0;
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
