// touchpos-demo's till: the table map of the restaurant and the order pane
// of the table in hand. Each step of serving a table is one dialog (or two).
#pragma once

#include <QColor>
#include <QHash>
#include <QList>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

class QGridLayout;
class QLabel;
class QListWidget;
class QPushButton;

namespace TouchDialogs {
class TClientDataSet;
}

namespace demo {

struct OrderLine {
    double quantity = 0;
    QString product;
    double price = 0; // of one
    QString note;     // "combo" for the products of a combo
};

struct Table {
    int number = 0;
    QString area;
    QString name;   // given by the waiter, shown under the number
    QColor colour;  // invalid: the area's plain colour
    int guests = 0; // 0: the table is free
    QList<OrderLine> order;
    double total() const;
};

class Till : public QWidget {
    Q_OBJECT
public:
    explicit Till(QWidget *parent = nullptr);
    ~Till() override;

    // The steps, each run on the table in hand. A touch on a free table asks
    // for its guests first; a cancelled dialog changes nothing.
    bool openTable(int number);
    bool addProduct(); // search, then the quantity
    bool addCombo();   // the list builder over the active products
    bool nameTable();  // the keyboard
    bool colourTable(); // the colour chooser
    bool closeTable();  // a confirmation box that answers Yes by itself in time

    int current() const { return m_current; }
    // The table of that number; a table with number 0 when there is none.
    const Table &table(int number) const;
    QList<int> tableNumbers() const { return m_numbers; }
    QPushButton *tableButton(int number) const { return m_buttons.value(number); }
    // The order pane as shown, one entry per line.
    QStringList paneLines() const;

    // Seconds the closing box waits before it answers Yes.
    static constexpr int kCloseSeconds = 10;

private:
    void showTable(int number);
    void refresh();
    // Runs one step; an error is shown in the pane instead of ending the host.
    bool step(const QString &what, const std::function<bool()> &run);

    std::unique_ptr<TouchDialogs::TClientDataSet> m_products;
    QHash<int, Table> m_tables;
    QList<int> m_numbers;
    QHash<int, QPushButton *> m_buttons;
    int m_current = 0;
    QLabel *m_heading = nullptr;
    QListWidget *m_pane = nullptr;
    QLabel *m_total = nullptr;
    QList<QPushButton *> m_actions;
    QStringList m_log;
};

} // namespace demo
