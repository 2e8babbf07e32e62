#include "host/demo/Till.h"
#include "host/sample/SampleData.h"

#include <TouchDialogs/TouchDialogs.h>

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace demo {

using namespace TouchDialogs;

namespace {

QString money(double value)
{
    return QStringLiteral("R$ ") + QLocale(QLocale::Portuguese, QLocale::Brazil).toString(value, 'f', 2);
}

QString quantityText(double q)
{
    return QLocale(QLocale::Portuguese, QLocale::Brazil).toString(q, 'g', 6);
}

QFont pixelFont(const QFont &base, int pixels, bool bold)
{
    QFont f = base;
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

// 00BBGGRR as the colour chooser answers it.
QColor fromTColor(const QString &text)
{
    const quint32 v = text.toUInt();
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

constexpr int kColumns = 6;

} // namespace

double Table::total() const
{
    double sum = 0;
    for (const OrderLine &l : order)
        sum += l.quantity * l.price;
    return sum;
}

Till::Till(QWidget *parent) : QWidget(parent), m_products(sample::sampleDataSet(QStringLiteral("products")))
{
    setWindowTitle(Application::Title());
    auto *layout = new QHBoxLayout(this);

    // The map: the tables of each area, a big key each.
    auto *mapArea = new QScrollArea;
    mapArea->setWidgetResizable(true);
    mapArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *map = new QWidget;
    auto *mapLayout = new QVBoxLayout(map);
    auto tables = sample::sampleDataSet(QStringLiteral("tables"));
    QString area;
    QGridLayout *grid = nullptr;
    int inArea = 0;
    for (tables->First(); !tables->Eof(); tables->Next()) {
        Table t;
        t.number = tables->FieldByName(QStringLiteral("NUMERO"))->Value().toInt();
        t.area = tables->FieldByName(QStringLiteral("AREA"))->AsString();
        const bool active = tables->FieldByName(QStringLiteral("ATIVO"))->AsString() == QLatin1String("S");
        if (t.area != area) {
            area = t.area;
            auto *title = new QLabel(area);
            title->setFont(pixelFont(font(), 18, true));
            mapLayout->addWidget(title);
            grid = new QGridLayout;
            mapLayout->addLayout(grid);
            inArea = 0;
        }
        auto *button = new QPushButton;
        button->setObjectName(QStringLiteral("table%1").arg(t.number));
        button->setMinimumSize(80, 64);
        button->setFont(pixelFont(font(), 15, true));
        button->setEnabled(active);
        if (!active)
            button->setToolTip(QStringLiteral("Mesa fora de uso"));
        const int number = t.number;
        connect(button, &QPushButton::clicked, this, [this, number] { openTable(number); });
        grid->addWidget(button, inArea / kColumns, inArea % kColumns);
        ++inArea;
        m_buttons.insert(t.number, button);
        m_numbers.append(t.number);
        m_tables.insert(t.number, t);
    }
    mapLayout->addStretch(1);
    mapArea->setWidget(map);
    layout->addWidget(mapArea, 3);

    // The order pane of the table in hand, with what can be done to it.
    auto *side = new QVBoxLayout;
    m_heading = new QLabel;
    m_heading->setObjectName(QStringLiteral("heading"));
    m_heading->setFont(pixelFont(font(), 20, true));
    m_heading->setWordWrap(true);
    side->addWidget(m_heading);
    m_pane = new QListWidget;
    m_pane->setObjectName(QStringLiteral("order"));
    m_pane->setFont(pixelFont(font(), 15, false));
    side->addWidget(m_pane, 1);
    m_total = new QLabel;
    m_total->setFont(pixelFont(font(), 20, true));
    m_total->setAlignment(Qt::AlignRight);
    side->addWidget(m_total);
    auto *keys = new QGridLayout;
    const struct {
        const char *name, *caption;
        bool (Till::*run)();
    } actions[] = {{"product", "Produto", &Till::addProduct}, {"combo", "Combo", &Till::addCombo},
                   {"name", "Nome", &Till::nameTable},        {"colour", "Cor", &Till::colourTable},
                   {"close", "Fechar mesa", &Till::closeTable}};
    int k = 0;
    for (const auto &a : actions) {
        auto *button = new QPushButton(QString::fromUtf8(a.caption));
        button->setObjectName(QString::fromLatin1(a.name));
        button->setMinimumSize(120, 64);
        button->setFont(pixelFont(font(), 17, true));
        const auto run = a.run;
        connect(button, &QPushButton::clicked, this, [this, run] { (this->*run)(); });
        keys->addWidget(button, k / 2, k % 2);
        m_actions.append(button);
        ++k;
    }
    side->addLayout(keys);
    layout->addLayout(side, 2);
    resize(1024, 720);
    refresh();
}

Till::~Till() = default;

const Table &Till::table(int number) const
{
    static const Table none;
    const auto it = m_tables.constFind(number);
    return it == m_tables.constEnd() ? none : *it;
}

bool Till::step(const QString &what, const std::function<bool()> &run)
{
    try {
        return run();
    } catch (const EAbort &) {
        return false;
    } catch (const std::exception &e) {
        m_log << QStringLiteral("%1: erro: %2").arg(what, QString::fromUtf8(e.what()));
        refresh();
        return false;
    }
}

bool Till::openTable(int number)
{
    if (!m_tables.contains(number))
        return false;
    if (m_tables[number].guests > 0) {
        showTable(number);
        return true;
    }
    return step(QStringLiteral("Pessoas"), [&] {
        const double guests = quantity::InfoQuantidade(
            QStringLiteral("Pessoas na mesa %1").arg(number, 2, 10, QLatin1Char('0')), 1, QStringLiteral("2"));
        if (guests <= 0)
            return false;
        m_tables[number].guests = int(guests);
        showTable(number);
        return true;
    });
}

bool Till::addProduct()
{
    if (!m_current)
        return false;
    return step(QStringLiteral("Produto"), [&] {
        // The search leaves its own filter behind; each search starts from
        // the active products again.
        m_products->setFilter(QStringLiteral("ATIVO = 'S'"));
        m_products->setFiltered(true);
        if (!search::Pesquisa(m_products.get(), QString(), QString(), QStringLiteral("Escolha o produto"), false)
            || m_products->IsEmpty())
            return false;
        const QString name = m_products->FieldByName(QStringLiteral("NOME"))->AsString();
        const double price = m_products->FieldByName(QStringLiteral("PRECO"))->Value().toDouble();
        const double q = quantity::InfoQuantidade(QStringLiteral("Quantidade — %1").arg(name), 0, QStringLiteral("5"));
        if (q <= 0)
            return false;
        m_tables[m_current].order.append({q, name, price, QString()});
        refresh();
        return true;
    });
}

bool Till::addCombo()
{
    if (!m_current)
        return false;
    return step(QStringLiteral("Combo"), [&] {
        m_products->setFilter(QStringLiteral("ATIVO = 'S'"));
        m_products->setFiltered(true);
        TClientDataSet combo;
        combo.setData(list::ConstrucaoList(m_products.get(), QStringLiteral("Produtos do combo")));
        if (combo.IsEmpty())
            return false;
        for (combo.First(); !combo.Eof(); combo.Next())
            m_tables[m_current].order.append({1, combo.FieldByName(QStringLiteral("NOME"))->AsString(),
                                              combo.FieldByName(QStringLiteral("PRECO"))->Value().toDouble(),
                                              QStringLiteral("combo")});
        refresh();
        return true;
    });
}

bool Till::nameTable()
{
    if (!m_current)
        return false;
    return step(QStringLiteral("Nome"), [&] {
        const QString text = keyboard::TecladoAlfanumerico(m_tables[m_current].name, QStringLiteral("Nome da mesa"));
        if (text.isEmpty())
            return false;
        // "@": confirmed blank, the table goes back to its number alone.
        m_tables[m_current].name = text == QLatin1String("@") ? QString() : text.trimmed();
        refresh();
        return true;
    });
}

bool Till::colourTable()
{
    if (!m_current)
        return false;
    return step(QStringLiteral("Cor"), [&] {
        const QString colour = colour::EscolherCor();
        if (colour == QLatin1String("X"))
            return false;
        m_tables[m_current].colour = fromTColor(colour);
        refresh();
        return true;
    });
}

bool Till::closeTable()
{
    if (!m_current)
        return false;
    return step(QStringLiteral("Fechar"), [&] {
        Table &t = m_tables[m_current];
        const QString text = QStringLiteral("Fechar a mesa %1?\r\nTotal: %2")
                                 .arg(t.number, 2, 10, QLatin1Char('0'))
                                 .arg(money(t.total()));
        const int answer =
            message::TouchMessageDlg(text, message::mtConfirmation, {message::mbYes, message::mbNo}, 0,
                                     kCloseSeconds, QString());
        if (answer != 6)
            return false;
        m_log << QStringLiteral("Mesa %1 fechada: %2").arg(t.number).arg(money(t.total()));
        t.guests = 0;
        t.name.clear();
        t.colour = QColor();
        t.order.clear();
        m_current = 0;
        refresh();
        return true;
    });
}

void Till::showTable(int number)
{
    m_current = number;
    refresh();
}

QStringList Till::paneLines() const
{
    QStringList lines;
    for (int i = 0; i < m_pane->count(); ++i)
        lines << m_pane->item(i)->text();
    return lines;
}

void Till::refresh()
{
    for (auto it = m_tables.cbegin(); it != m_tables.cend(); ++it) {
        const Table &t = *it;
        QPushButton *button = m_buttons.value(t.number);
        QString caption = QString::number(t.number);
        if (t.guests > 0)
            caption += QStringLiteral("\n%1 p.").arg(t.guests);
        if (!t.name.isEmpty())
            caption += u'\n' + t.name;
        button->setText(caption);
        // Free tables green, tables in service amber, unless the waiter
        // gave one a colour; tables out of use grey.
        const QColor face = !button->isEnabled() ? QColor(0xC8, 0xC8, 0xC8)
                            : t.colour.isValid() ? t.colour
                            : t.guests > 0       ? QColor(0xF4, 0xC4, 0x30)
                                                 : QColor(0xB8, 0xD8, 0xB0);
        const QColor ink = !button->isEnabled()      ? QColor(0x80, 0x80, 0x80)
                           : face.lightness() < 110 ? QColor(Qt::white)
                                                    : QColor(Qt::black);
        button->setStyleSheet(t.number == m_current
                                  ? QStringLiteral("background:%1;color:%2;border:4px solid #203080;")
                                        .arg(face.name(), ink.name())
                                  : QStringLiteral("background:%1;color:%2;border:1px solid #606060;")
                                        .arg(face.name(), ink.name()));
    }
    m_pane->clear();
    for (QPushButton *a : std::as_const(m_actions))
        a->setEnabled(m_current != 0);
    if (!m_current) {
        m_heading->setText(QStringLiteral("Toque numa mesa"));
        m_total->clear();
        for (const QString &l : std::as_const(m_log))
            m_pane->addItem(l);
        return;
    }
    const Table &t = m_tables[m_current];
    m_heading->setText(QStringLiteral("Mesa %1%2 — %3 pessoas")
                           .arg(t.number, 2, 10, QLatin1Char('0'))
                           .arg(t.name.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(t.name))
                           .arg(t.guests));
    for (const OrderLine &l : t.order)
        m_pane->addItem(QStringLiteral("%1 × %2%3  %4")
                            .arg(quantityText(l.quantity), l.product,
                                 l.note.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(l.note),
                                 money(l.quantity * l.price)));
    m_total->setText(QStringLiteral("Total %1").arg(money(t.total())));
}

} // namespace demo
