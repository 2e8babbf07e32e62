#include "dialogs/search/TfrmPesquisa.h"
#include "dialogs/search/SearchUnit.h"
#include "platform/forms/Application.h"
#include "platform/forms/Controls.h"
#include "platform/rtl/SysUtils.h"
#include "support/FormParts.h"
#include "support/IdleOrders.h"
#include "support/SearchFilter.h"
#include "support/Trad.h"

// The layout compiled by uic names our classes unqualified, as the .ui does.
using namespace TouchDialogs;
#include "ui_TfrmPesquisa.h"

namespace TouchDialogs {

// ------------------------------------------------------------ the expression

QString searchExpression(const QString &base, const QString &field, const QString &text)
{
    return prefixSearchFilter(base, field, text, search::Condicao);
}

QString searchExpression(const QString &base, const QString &field, const QString &text, db::PrefixView view)
{
    return prefixSearchFilter(base, field, text, search::Condicao, view);
}

int searchLengthOf(const TField *field)
{
    if (!field || field->DataType() != ftString || field->Size() <= 0)
        return -1;
    return field->Size();
}

// ------------------------------------------------------------------ the form

TfrmPesquisa::TfrmPesquisa(QObject *owner) : TForm(owner)
{
    // Not a control: the layout's grid finds it by name.
    m_dtsPesquisa = new TDataSource(this);
    m_dtsPesquisa->setObjectName(QStringLiteral("dtsPesquisa"));

    bind("FormCreate", &TfrmPesquisa::FormCreate);
    bind("FormKeyDown", &TfrmPesquisa::FormKeyDown);
    bind("FormKeyPress", &TfrmPesquisa::FormKeyPress);
    bind("edtFiltroKeyDown", &TfrmPesquisa::edtFiltroKeyDown);
    bind("dbgPesquisaKeyDown", &TfrmPesquisa::dbgPesquisaKeyDown);
    bind("dbgPesquisaDblClick", &TfrmPesquisa::dbgPesquisaDblClick);
    bind("dbgPesquisaTitleClick", &TfrmPesquisa::dbgPesquisaTitleClick);
    bind("sbtPrimeiroClick", &TfrmPesquisa::sbtPrimeiroClick);
    bind("sbtRolarCimaClick", &TfrmPesquisa::sbtRolarCimaClick);
    bind("sbtRolaBaixoClick", &TfrmPesquisa::sbtRolaBaixoClick);
    bind("sbtUltimoClick", &TfrmPesquisa::sbtUltimoClick);
    bind("spdEnterClick", &TfrmPesquisa::spdEnterClick);
    bind("spdSairClick", &TfrmPesquisa::spdSairClick);
    bind("spdNavDirClick", &TfrmPesquisa::spdNavDirClick);
    bind("spdNavEsqClick", &TfrmPesquisa::spdNavEsqClick);
    bind("spd1Click", &TfrmPesquisa::spd1Click);
    bind("spdCCdilClick", &TfrmPesquisa::spdCCdilClick);
    bind("spdShiftClick", &TfrmPesquisa::spdShiftClick);
    bind("spdCapsLockClick", &TfrmPesquisa::spdCapsLockClick);
    bind("spdBackSpaceClick", &TfrmPesquisa::spdBackSpaceClick);
    bind("spdLimparClick", &TfrmPesquisa::spdLimparClick);
    createFromLayout([this] { Ui::frmPesquisa().setupUi(this); });
}

void TfrmPesquisa::FormCreate(QObject *)
{
    m_lblDesc = requiredComponent<TLabel>(*this, "lblDesc");
    m_edtFiltro = requiredComponent<TEdit>(*this, "edtFiltro");
    m_dbgPesquisa = requiredComponent<TDBGrid>(*this, "dbgPesquisa");
    m_spdEnter = requiredComponent<TSpeedButton>(*this, "spdEnter");
    m_spdSair = requiredComponent<TSpeedButton>(*this, "spdSair");
    m_spdShift = requiredComponent<TSpeedButton>(*this, "spdShift");
    m_spdCapsLock = requiredComponent<TSpeedButton>(*this, "spdCapsLock");

    search::inNavegProd = 1;
    Trad(this);
    setCaption(Application::Title());
    setWindowIcon(QIcon(Application::Icon()));

    // Centred when shown (poScreenCenter), overhanging a smaller screen.
    setOuterSize(scaled(QSize(800, 600)));

    // The full-height Enter key covers the navigation keys below it.
    m_spdEnter->resize(m_spdEnter->width(), scaled(search::boNavegador ? 168 : 212));

    m_boConfirmado = false;
    m_keyboard.boCapsLock = false;
    m_keyboard.boShift = false;
    m_keyboard.showLatches();

    m_lblDesc->setCaption(search::stObservacao);
    m_lblDesc->adjustSize();
    m_lblDesc->setVisible(!search::stObservacao.isEmpty());
    m_edtFiltro->setFocus(Qt::OtherFocusReason);
}

TClientDataSet *TfrmPesquisa::dataSet() const
{
    return m_dtsPesquisa->DataSet();
}

TClientDataSet &TfrmPesquisa::preparedDataSet() const
{
    TClientDataSet *ds = m_dtsPesquisa->DataSet();
    if (!ds)
        throw EDatabaseError(QStringLiteral("TfrmPesquisa: no dataset is attached (PreparaPesquisa was not called)"));
    return *ds;
}

void TfrmPesquisa::refreshEnterKey()
{
    const TClientDataSet *ds = dataSet();
    m_spdEnter->setEnabled(ds && !ds->IsEmpty());
}

void TfrmPesquisa::setMaxLength(int length)
{
    m_inTamMaximo = length;
    m_keyboard.setMaxLength(length);
}

void TfrmPesquisa::FormKeyDown(QObject *Sender, WORD &Key, TShiftState Shift)
{
    if (Key == VK_RETURN && pickScanned())
        Key = 0;
    // Escape, Return and Alt+F4 as the search box answers them.
    edtFiltroKeyDown(Sender, Key, Shift);
    if (editSearchText(Key, *m_edtFiltro)) {
        const TClientDataSet &ds = preparedDataSet();
        AplicaFiltro(searchTextFilter(m_stFiltroBase, ds.IndexName(), m_edtFiltro->text(), search::Condicao,
                                      prefixViewFor(ds, ds.IndexName())));
    }
    if (Key == VK_CAPITAL)
        m_spdCapsLock->Click();
    if (Key == VK_SHIFT)
        m_spdShift->Click();
    refreshEnterKey();
}

void TfrmPesquisa::FormKeyPress(QObject *, QChar &Key)
{
    if (Key >= u' ')
        m_scan.typed(Key, keyTimestamp());
    // keyPress refuses a character outside the set or past inTamMaximo.
    const auto typed = m_keyboard.keyPress(Key, m_edtFiltro->text().size());
    if (typed.accepted) {
        if (typed.releaseShift)
            spdShiftClick(m_spdShift);
        m_edtFiltro->setText(m_edtFiltro->text() + typed.character);
        AplicaFiltro(MontaFiltro(m_edtFiltro->text()));
    }
    refreshEnterKey();
}

void TfrmPesquisa::edtFiltroKeyDown(QObject *, WORD &Key, TShiftState Shift)
{
    if (Key == VK_ESCAPE)
        m_spdSair->Click();
    if (Key == VK_RETURN && m_spdEnter->Enabled())
        m_spdEnter->Click();
    swallowAltF4(Key, Shift);
}

void TfrmPesquisa::dbgPesquisaKeyDown(QObject *Sender, WORD &Key, TShiftState Shift)
{
    edtFiltroKeyDown(Sender, Key, Shift);
}

void TfrmPesquisa::dbgPesquisaDblClick(QObject *)
{
    // A double touch on the empty space of a grid with no record left must
    // not confirm a search with nothing chosen.
    const TClientDataSet *ds = dataSet();
    if (ds && !ds->IsEmpty())
        spdEnterClick(m_spdEnter);
}

void TfrmPesquisa::sbtPrimeiroClick(QObject *)
{
    if (TClientDataSet *ds = dataSet())
        ds->First();
}

void TfrmPesquisa::sbtRolarCimaClick(QObject *)
{
    if (TClientDataSet *ds = dataSet())
        ds->Prior();
}

void TfrmPesquisa::sbtRolaBaixoClick(QObject *)
{
    if (TClientDataSet *ds = dataSet())
        ds->Next();
}

void TfrmPesquisa::sbtUltimoClick(QObject *)
{
    if (TClientDataSet *ds = dataSet())
        ds->Last();
}

// A scanner's burst ended by Enter (with a scan field set): the record whose
// scan field equals the code is picked, as Enter picks; without one the
// dialog stays open on the usual filter of the text as typed. False when the
// Enter was a person's.
bool TfrmPesquisa::pickScanned()
{
    const QString code = m_scan.enter(keyTimestamp());
    const QString field = Application::extensions().scanField;
    if (code.isEmpty() || field.isEmpty())
        return false;
    TClientDataSet &ds = preparedDataSet();
    const TField *scanned = ds.FindField(field);
    if (!scanned)
        throw EDatabaseError(QStringLiteral("Search: the scan field %1 is not in the dataset").arg(field));
    const QString typed = ds.Filter();
    AplicaFiltro(scanFilter(m_stFiltroBase, *scanned, code, search::Condicao));
    if (ds.IsEmpty()) {
        AplicaFiltro(typed);
        return true;
    }
    ds.First();
    spdEnterClick(m_spdEnter);
    return true;
}

void TfrmPesquisa::requestClose()
{
    // Queued: the handler that asks runs to its end before the form closes.
    PostMessageA(this, WM_CLOSE, 0, 0);
}

void TfrmPesquisa::spdEnterClick(QObject *)
{
    m_boConfirmado = true;
    requestClose();
}

void TfrmPesquisa::spdSairClick(QObject *)
{
    m_boConfirmado = false;
    if (TClientDataSet *ds = dataSet())
        ds->setFilter(m_stFiltroBase);
    requestClose();
}

void TfrmPesquisa::spdNavDirClick(QObject *)
{
    m_boConfirmado = true;
    search::inNavegProd = 2;
    requestClose();
}

void TfrmPesquisa::spdNavEsqClick(QObject *)
{
    m_boConfirmado = true;
    search::inNavegProd = 3;
    requestClose();
}

// ------------------------------------------------------------- the data side

void TfrmPesquisa::PreparaPesquisa(TClientDataSet *DataSet)
{
    const QString scanField = Application::extensions().scanField;
    if (!scanField.isEmpty() && !DataSet->FindField(scanField))
        throw EDatabaseError(QStringLiteral("Search: the scan field %1 is not in the dataset").arg(scanField));
    if (search::stFilter == QStringLiteral("S"))
        DataSet->setFilter(QString());
    m_dtsPesquisa->setDataSet(DataSet);

    indexVisibleFields(*DataSet);
    TIndexDefs &defs = DataSet->IndexDefs();

    m_stFiltroBase = DataSet->Filter();
    TColumn &second = m_dbgPesquisa->Columns().Items(1);
    second.Title().Font().setColor(clPurple);
    setMaxLength(searchLengthOf(second.Field()));
    DataSet->setIndexName(defs.Items(1).Name());
    DataSet->First();
    prepareOrdersWhenIdle(this, DataSet);
}

QString TfrmPesquisa::MontaFiltro(const QString &Texto) const
{
    const TClientDataSet &ds = preparedDataSet();
    return searchExpression(m_stFiltroBase, ds.IndexName(), Texto, prefixViewFor(ds, ds.IndexName()));
}

void TfrmPesquisa::AplicaFiltro(const QString &Expressao)
{
    applyFilter(preparedDataSet(), Expressao);
}

void TfrmPesquisa::dbgPesquisaTitleClick(TColumn *Column)
{
    TDBGridColumns &columns = m_dbgPesquisa->Columns();
    for (int i = 0; i < columns.Count(); ++i)
        columns.Items(i).Title().Font().setColor(clBtnHighlight);
    Column->Title().Font().setColor(clFuchsia);
    preparedDataSet().setIndexName(Column->FieldName());
    setMaxLength(searchLengthOf(Column->Field()));
}

} // namespace TouchDialogs
