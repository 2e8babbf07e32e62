#include "support/SearchFilter.h"
#include "platform/db/ClientDataSet.h"
#include "platform/db/FilterText.h"
#include "platform/db/Values.h"
#include "platform/forms/Application.h"
#include "platform/forms/Controls.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"

namespace TouchDialogs {

namespace {

// The base and the connector condicao picks, ready for a condition.
QString joinedBase(const QString &base, TextChooser condicao)
{
    const db::Tokenized tk = db::tokenize(base);
    // A text that does not tokenize stays as it is: the dataset refuses it
    // with its own message.
    const bool blank = tk.error.isEmpty() && tk.tokens.empty();
    QString joined;
    if (!blank) {
        joined = base + tk.openComment;
        if (tk.error.isEmpty() && db::hasTopLevelOr(tk.tokens))
            joined = u'(' + joined + u')';
    }
    return joined + condicao(!blank, QStringLiteral(" AND "), QString());
}

} // namespace

QString prefixSearchFilter(const QString &base, const QString &field, const QString &text, TextChooser condicao,
                           db::PrefixView view)
{
    return joinedBase(base, condicao)
           + db::prefixCondition(field,
                                 UpperCase(view.kind == db::PrefixView::Unaccented ? db::unaccented(text) : text),
                                 view);
}

QString scanFilter(const QString &base, const TField &field, const QString &code, TextChooser condicao)
{
    const TFieldType type = field.DataType();
    QString value = db::filterName(field.FieldName());
    if (type != ftString && type != ftMemo)
        value = QStringLiteral("ASSTRING(") + value + QStringLiteral(", '") + fieldTypeName(type) + QStringLiteral("')");
    return joinedBase(base, condicao) + value + QStringLiteral(" = '") + QString(code).replace(u'\'', QLatin1String("''"))
           + u'\'';
}

QString searchTextFilter(const QString &base, const QString &field, const QString &text, TextChooser condicao,
                         db::PrefixView view)
{
    return text.isEmpty() ? base : prefixSearchFilter(base, field, text, condicao, view);
}

db::PrefixView prefixViewFor(const TClientDataSet &dataSet, const QString &field)
{
    const TField *f = dataSet.FindField(field);
    return f ? db::prefixViewOf(f->DataType(), Application::extensions().ignoreAccents) : db::PrefixView{};
}

bool editSearchText(WORD Key, TEdit &edit)
{
    if (Key == VK_DELETE) {
        edit.setText(QString());
        return true;
    }
    if (Key == VK_BACK) {
        const QString text = edit.Text();
        edit.setText(text.left(text.size() - 1));
        return true;
    }
    return false;
}

void swallowAltF4(WORD &Key, TShiftState Shift)
{
    if (Key == VK_F4 && Shift == TShiftState(ssAlt))
        Key = 0;
}

void applyFilter(TClientDataSet &dataSet, const QString &filter)
{
    // Three steps, one change on the screen. Not a guard object: what the
    // controls are told may raise.
    dataSet.DisableControls();
    try {
        dataSet.setFilter(filter);
        dataSet.setFiltered(false);
        if (!dataSet.Filter().isEmpty())
            dataSet.setFiltered(true);
    } catch (...) {
        dataSet.EnableControls();
        throw;
    }
    dataSet.EnableControls();
}

void indexVisibleFields(TClientDataSet &dataSet)
{
    TIndexDefs &defs = dataSet.IndexDefs();
    while (defs.Count() > 0)
        defs.Delete(0);
    for (int i = 0; i < dataSet.FieldCount(); ++i) {
        const TField *f = dataSet.Fields(i);
        if (f->Visible())
            defs.Add(f->FieldName(), f->FieldName());
    }
}

void checkSearchable(const TClientDataSet *dataSet, const QString &who)
{
    if (!dataSet)
        throw EDatabaseError(QStringLiteral("%1: no dataset was given").arg(who));
    if (!dataSet->Active())
        throw EDatabaseError(QStringLiteral("%1: the dataset is not open").arg(who));
    int visible = 0;
    for (int i = 0; i < dataSet->FieldCount(); ++i)
        if (dataSet->Fields(i)->Visible())
            ++visible;
    if (visible < 2)
        throw EDatabaseError(
            QStringLiteral("%1: the dataset needs at least two visible fields (it has %2)").arg(who).arg(visible));
}

} // namespace TouchDialogs
