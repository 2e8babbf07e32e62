#include "host/sample/SampleData.h"
#include <TouchDialogs/Exceptions.h>

#include <QRandomGenerator>

namespace TouchDialogs::sample {

namespace {

struct Product {
    const char16_t *name;
    const char16_t *group;
    double price;
    char active;
};

const Product kProducts[] = {
#include "host/sample/SampleProducts.inc"
};

std::unique_ptr<TClientDataSet> productFields()
{
    auto ds = std::make_unique<TClientDataSet>();
    ds->FieldDefs().Add(QStringLiteral("CODIGO"), ftInteger, 0, true);
    ds->FieldDefs().Add(QStringLiteral("NOME"), ftString, 50, true);
    ds->FieldDefs().Add(QStringLiteral("GRUPO"), ftString, 20);
    ds->FieldDefs().Add(QStringLiteral("PRECO"), ftCurrency);
    ds->FieldDefs().Add(QStringLiteral("ATIVO"), ftString, 1);
    ds->CreateDataSet();
    ds->FieldByName(QStringLiteral("CODIGO"))->setDisplayLabel(QStringLiteral("Código"));
    ds->FieldByName(QStringLiteral("NOME"))->setDisplayLabel(QStringLiteral("Descrição"));
    ds->FieldByName(QStringLiteral("GRUPO"))->setDisplayLabel(QStringLiteral("Grupo"));
    ds->FieldByName(QStringLiteral("PRECO"))->setDisplayLabel(QStringLiteral("Preço"));
    ds->FieldByName(QStringLiteral("ATIVO"))->setVisible(false);
    return ds;
}

void appendProduct(TClientDataSet &ds, int code, const QString &name, const QString &group, double price, char active)
{
    ds.Append();
    ds.Fields(0)->setValue(code);
    ds.Fields(1)->setValue(name);
    ds.Fields(2)->setValue(group);
    ds.Fields(3)->setValue(price);
    ds.Fields(4)->setValue(QString(QLatin1Char(active)));
    ds.Post();
}

std::unique_ptr<TClientDataSet> products()
{
    auto ds = productFields();
    int code = 1;
    for (const Product &p : kProducts)
        appendProduct(*ds, code++, QString::fromUtf16(p.name), QString::fromUtf16(p.group), p.price, p.active);
    ds->First();
    return ds;
}

std::unique_ptr<TClientDataSet> tables()
{
    auto ds = std::make_unique<TClientDataSet>();
    ds->FieldDefs().Add(QStringLiteral("NUMERO"), ftInteger, 0, true);
    ds->FieldDefs().Add(QStringLiteral("DESCRICAO"), ftString, 30, true);
    ds->FieldDefs().Add(QStringLiteral("AREA"), ftString, 20);
    ds->FieldDefs().Add(QStringLiteral("LUGARES"), ftInteger);
    ds->FieldDefs().Add(QStringLiteral("ATIVO"), ftString, 1);
    ds->CreateDataSet();
    ds->Fields(0)->setDisplayLabel(QStringLiteral("Número"));
    ds->Fields(1)->setDisplayLabel(QStringLiteral("Mesa"));
    ds->Fields(2)->setDisplayLabel(QStringLiteral("Área"));
    ds->Fields(3)->setDisplayLabel(QStringLiteral("Lugares"));
    ds->Fields(4)->setVisible(false);
    const struct {
        const char16_t *area;
        int first, count, seats;
    } areas[] = {{u"Salão", 1, 24, 4}, {u"Varanda", 30, 12, 4}, {u"Mezanino", 50, 8, 6}, {u"Balcão", 70, 6, 1}};
    for (const auto &a : areas)
        for (int i = 0; i < a.count; ++i) {
            const int n = a.first + i;
            ds->Append();
            ds->Fields(0)->setValue(n);
            ds->Fields(1)->setValue(QStringLiteral("Mesa %1").arg(n, 2, 10, QLatin1Char('0')));
            ds->Fields(2)->setValue(QString::fromUtf16(a.area));
            ds->Fields(3)->setValue(a.seats + (i % 3 == 2 ? 2 : 0));
            ds->Fields(4)->setValue(n == 12 || n == 41 ? QStringLiteral("N") : QStringLiteral("S"));
            ds->Post();
        }
    ds->First();
    return ds;
}

std::unique_ptr<TClientDataSet> payments()
{
    auto ds = std::make_unique<TClientDataSet>();
    ds->FieldDefs().Add(QStringLiteral("CODIGO"), ftInteger, 0, true);
    ds->FieldDefs().Add(QStringLiteral("DESCRICAO"), ftString, 30, true);
    ds->FieldDefs().Add(QStringLiteral("TIPO"), ftString, 15);
    ds->FieldDefs().Add(QStringLiteral("TROCO"), ftBoolean);
    ds->FieldDefs().Add(QStringLiteral("ATIVO"), ftString, 1);
    ds->CreateDataSet();
    ds->Fields(0)->setDisplayLabel(QStringLiteral("Código"));
    ds->Fields(1)->setDisplayLabel(QStringLiteral("Forma de pagamento"));
    ds->Fields(2)->setDisplayLabel(QStringLiteral("Tipo"));
    ds->Fields(3)->setDisplayLabel(QStringLiteral("Dá troco"));
    ds->Fields(4)->setVisible(false);
    const struct {
        const char16_t *name, *type;
        bool change;
        char active;
    } list[] = {{u"Dinheiro", u"Espécie", true, 'S'},
                {u"Cartão de crédito", u"Cartão", false, 'S'},
                {u"Cartão de débito", u"Cartão", false, 'S'},
                {u"Pix", u"Transferência", false, 'S'},
                {u"Vale-refeição", u"Voucher", false, 'S'},
                {u"Vale-alimentação", u"Voucher", false, 'S'},
                {u"Cheque", u"Cheque", false, 'N'},
                {u"Conta do cliente", u"Crediário", false, 'S'},
                {u"Cortesia", u"Interno", false, 'S'},
                {u"Consumo de funcionário", u"Interno", false, 'S'}};
    int code = 1;
    for (const auto &p : list) {
        ds->Append();
        ds->Fields(0)->setValue(code++);
        ds->Fields(1)->setValue(QString::fromUtf16(p.name));
        ds->Fields(2)->setValue(QString::fromUtf16(p.type));
        ds->Fields(3)->setValue(p.change);
        ds->Fields(4)->setValue(QString(QLatin1Char(p.active)));
        ds->Post();
    }
    ds->First();
    return ds;
}

} // namespace

QStringList sampleNames()
{
    return {QStringLiteral("products"), QStringLiteral("tables"), QStringLiteral("payments")};
}

std::unique_ptr<TClientDataSet> sampleDataSet(const QString &name)
{
    if (name == QLatin1String("products"))
        return products();
    if (name == QLatin1String("tables"))
        return tables();
    if (name == QLatin1String("payments"))
        return payments();
    throw EDatabaseError(QStringLiteral("There is no sample catalogue named \"%1\" (there are: %2)")
                             .arg(name, sampleNames().join(QStringLiteral(", "))));
}

std::unique_ptr<TClientDataSet> syntheticProducts(int n)
{
    static const char16_t *const syllables[] = {u"ca", u"fé", u"ba", u"ço", u"lo", u"ma", u"Ça", u"ri", u"to", u"pe",
                                                u"çu", u"de", u"la", u"mo", u"ra", u"so", u"ta", u"ne", u"go", u"vi",
                                                u"CA", u"Bo", u"xi", u"nha", u"ção", u"pão", u"que", u"jo", u"Ma", u"Co"};
    static const char16_t *const groups[] = {u"Bebidas", u"Cafés", u"Lanches", u"Porções", u"Pratos",
                                             u"Massas",  u"Pizzas", u"Sobremesas", u"Drinks", u"Cervejas"};
    auto ds = productFields();
    QRandomGenerator rng(20240501u);
    for (int i = 0; i < n; ++i) {
        QString name;
        const int words = 1 + int(rng.bounded(3));
        for (int w = 0; w < words; ++w) {
            if (w)
                name += u' ';
            const int parts = 2 + int(rng.bounded(3));
            for (int s = 0; s < parts; ++s)
                name += QString::fromUtf16(syllables[rng.bounded(int(std::size(syllables)))]);
        }
        name = name.left(50);
        appendProduct(*ds, i + 1, name, QString::fromUtf16(groups[rng.bounded(int(std::size(groups)))]),
                      double(rng.bounded(100, 20000)) / 100.0, rng.bounded(3) ? 'S' : 'N');
    }
    ds->First();
    return ds;
}

} // namespace TouchDialogs::sample
