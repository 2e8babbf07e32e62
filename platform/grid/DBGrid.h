// TDBGrid: a data-aware grid. One column per visible field of the data
// source's dataset, titled with the field's DisplayLabel; its current row
// is the dataset's current record, whichever side moves. Cells are read on
// demand, so painting a screenful never touches the other records.
#pragma once

#include "platform/db/ClientDataSet.h"
#include "platform/grid/DataSource.h"
#include "platform/forms/Colors.h"
#include "platform/forms/Events.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <QTableView>
#include <deque>
#include <functional>

namespace TouchDialogs {

class TDBGrid;
class TColumn;

// Title font of one column; only the colour is per column, the face is the
// grid's TitleFont.
class TColumnTitleFont {
public:
    TColor Color() const { return m_color; }
    void setColor(TColor color);

private:
    friend class TColumn;
    friend class TDBGrid;
    TColumn *m_column = nullptr;
    TColor m_color = clWindowText;
};

class TColumnTitle {
public:
    TColumnTitleFont &Font() { return m_font; }
    const TColumnTitleFont &Font() const { return m_font; }
    QString Caption() const;

private:
    friend class TColumn;
    friend class TDBGrid;
    TColumn *m_column = nullptr;
    TColumnTitleFont m_font;
};

class TColumn {
public:
    TColumn(TDBGrid *grid, int index, int field);
    TColumn(const TColumn &) = delete;
    TColumn &operator=(const TColumn &) = delete;

    int Index() const { return m_index; }
    QString FieldName() const;
    // The field shown, nullptr when the dataset is gone.
    TField *Field() const;
    TColumnTitle &Title() { return m_title; }
    const TColumnTitle &Title() const { return m_title; }
    TDBGrid *Grid() const { return m_grid; }
    int fieldIndex() const { return m_field; }

private:
    TDBGrid *m_grid;
    int m_index;
    int m_field;
    TColumnTitle m_title;
};

class TDBGridColumns {
public:
    int Count() const { return int(m_columns.size()); }
    // Raises EListError when out of range.
    TColumn &Items(int i) const;
    TColumn &operator[](int i) const { return Items(i); }

private:
    friend class TDBGrid;
    friend class TDataSetModel;
    std::deque<std::unique_ptr<TColumn>> m_columns;
};

using TDBGridClickEvent = std::function<void(TColumn *Column)>;

// The table model over a dataset's view; rows are view rows, columns the
// grid's columns.
class TDataSetModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit TDataSetModel(TDBGrid *grid);
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    // Whether the reset under way gives new rows under the same columns.
    bool resettingRowsOnly() const { return m_resettingRows; }

private:
    friend class TDBGrid;
    TDBGrid *m_grid;
    bool m_resettingRows = false;
};

// The room one column asks for and how much of it it can give up.
struct ColumnRoom {
    int wanted = 0;          // what its field's declared size asks for
    int floor = 0;           // never less: its title
    int content = 0;         // what the texts it shows now need (0: none yet)
    bool shrinkable = false; // text can give up room; numbers, dates and codes cannot
};

// Widths for columns that must fit in `available` pixels. Text columns give
// up room first down to what their texts need, then the widest of them
// down to an even level, never below their floors. Columns that fit as
// asked keep their widths; so do all when nothing can give.
QList<int> fitColumnWidths(const QList<ColumnRoom> &columns, int available);

class TDBGrid : public QTableView, public KeyControl, public EventBindable, public Scalable {
    Q_OBJECT
    Q_PROPERTY(int Tag READ Tag WRITE setTag)
    Q_PROPERTY(TDBGridOptions Options READ Options WRITE setOptions)
    Q_PROPERTY(QColor Color READ Color WRITE setColor)
    Q_PROPERTY(QFont TitleFont READ TitleFont WRITE setTitleFont)
    Q_PROPERTY(QColor TitleColor READ TitleColor WRITE setTitleColor)
    Q_PROPERTY(QString DataSourceName READ DataSourceName WRITE setDataSourceName)

public:
    enum TDBGridOption {
        dgEditing = 0x1,
        dgTitles = 0x2,
        dgIndicator = 0x4,
        dgColumnResize = 0x8,
        dgColLines = 0x10,
        dgRowLines = 0x20,
        dgRowSelect = 0x40,
        dgAlwaysShowSelection = 0x80,
    };
    Q_DECLARE_FLAGS(TDBGridOptions, TDBGridOption)
    Q_FLAG(TDBGridOptions)

    explicit TDBGrid(QWidget *parent = nullptr);
    ~TDBGrid() override;

    TDataSource *DataSource() const { return m_source; }
    void setDataSource(TDataSource *source);
    // A layout names its data source; it is looked up among the form's
    // children when the grid is shown, or at once when it already exists.
    QString DataSourceName() const { return m_sourceName; }
    void setDataSourceName(const QString &name);
    TClientDataSet *dataSet() const;

    TDBGridColumns &Columns() { return m_columns; }

    TDBGridOptions Options() const { return m_options; }
    void setOptions(TDBGridOptions options);
    QColor Color() const;
    void setColor(const QColor &color);
    QFont TitleFont() const { return m_titleFont; }
    void setTitleFont(const QFont &font);
    // The title colour columns start with.
    QColor TitleColor() const { return toQColor(m_titleColor); }
    void setTitleColor(const QColor &color);
    int Tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }

    TDBGridClickEvent OnTitleClick;
    TNotifyEvent OnDblClick;

    bool bindEvent(const QByteArray &event, TForm &form, const QString &handler) override;
    // The indicator column and the room around a row's text grow with the form.
    void applyScale(double factor) override;

    TDataSetModel *dataModel() const { return m_model; }

    // Cells drawn by QStyledItemDelegate itself rather than from the texts
    // the grid keeps shaped: what the grid's drawing is checked against.
    void setStyledCells(bool styled);
    // How many shaped cell texts are kept.
    int keptCellTexts() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    int textRowHeight() const;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    friend class TDataSetModel;
    friend class TColumnTitleFont;
    void bindDataSet(TClientDataSet *dataSet);
    void rebuildColumns();
    int defaultColumnWidth(const TField &field) const;
    void fitColumns();
    int visibleCellsWidth() const;
    void followDataSet(int row);
    void settleBeforePaint();
    void titleClicked(int section);
    void titleColorChanged(int column);
    void resolveSourceName();

    TDataSetModel *m_model;
    QPointer<TDataSource> m_source;
    QPointer<TClientDataSet> m_dataSet;
    QList<QMetaObject::Connection> m_connections;
    TDBGridColumns m_columns;
    TDBGridOptions m_options;
    QFont m_titleFont;
    double m_scale = 1.0;
    int m_fittedWidth = -1; // the visible width the columns were last fitted to
    TColor m_titleColor = clWindowText;
    QString m_sourceName;
    int m_tag = 0;
    bool m_syncing = false;
    bool m_settlePosted = false;
    int m_indicatorRow = -1; // the row whose indicator was last drawn
    bool m_touchStoppedGlide = false; // the finger down now stopped a flick
    struct Tap {
        qint64 time = -1; // when the finger touched, in ms
        int row = -1;
    };
    Tap m_lastTap; // the last touch that may begin a double tap
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TDBGrid::TDBGridOptions)

using TDBGridOptions = TDBGrid::TDBGridOptions;
constexpr TDBGrid::TDBGridOption dgEditing = TDBGrid::dgEditing;
constexpr TDBGrid::TDBGridOption dgTitles = TDBGrid::dgTitles;
constexpr TDBGrid::TDBGridOption dgIndicator = TDBGrid::dgIndicator;
constexpr TDBGrid::TDBGridOption dgColumnResize = TDBGrid::dgColumnResize;
constexpr TDBGrid::TDBGridOption dgColLines = TDBGrid::dgColLines;
constexpr TDBGrid::TDBGridOption dgRowLines = TDBGrid::dgRowLines;
constexpr TDBGrid::TDBGridOption dgRowSelect = TDBGrid::dgRowSelect;
constexpr TDBGrid::TDBGridOption dgAlwaysShowSelection = TDBGrid::dgAlwaysShowSelection;

} // namespace TouchDialogs
