#include "dialogs/list/TfrmConstrucaoLista.h"
#include "dialogs/list/ListFilter.h"
#include "dialogs/list/ListMoves.h"
#include "dialogs/list/ListUnit.h"
#include "platform/db/ClientDataSet.h"
#include "platform/grid/DBGrid.h"
#include "platform/grid/DataSource.h"
#include "platform/forms/Application.h"
#include "platform/forms/Controls.h"
#include "platform/rtl/Exceptions.h"
#include "support/FormParts.h"
#include "support/IdleOrders.h"
#include "support/SearchFilter.h"
#include "support/Trad.h"

#include <QCloseEvent>
#include <QShowEvent>
#include <algorithm>

// The layout compiled by uic names our classes unqualified, as the .ui does.
using namespace TouchDialogs;
#include "ui_TfrmConstrucaoLista.h"

namespace TouchDialogs {

using list::Condicao;
using list::MontaFiltro;

TfrmConstrucaoLista::TfrmConstrucaoLista(QObject *owner) : TForm(owner)
{
    cdsItens = new TClientDataSet(this);
    cdsItens->setObjectName(QStringLiteral("cdsItens"));
    cdsListaDest = new TClientDataSet(this);
    cdsListaDest->setObjectName(QStringLiteral("cdsListaDest"));
    dtsPesquisa = new TDataSource(this);
    dtsPesquisa->setObjectName(QStringLiteral("dtsPesquisa"));
    dtsPesquisa->setDataSet(cdsItens);
    dtsListaDest = new TDataSource(this);
    dtsListaDest->setObjectName(QStringLiteral("dtsListaDest"));
    dtsListaDest->setDataSet(cdsListaDest);

    bind("FormCreate", &TfrmConstrucaoLista::FormCreate);
    bind("FormActivate", &TfrmConstrucaoLista::FormActivate);
    bind("FormKeyPress", &TfrmConstrucaoLista::FormKeyPress);
    bind("FormKeyDown", &TfrmConstrucaoLista::FormKeyDown);
    bind("edtFiltroKeyDown", &TfrmConstrucaoLista::edtFiltroKeyDown);
    bind("dbgPesquisaKeyDown", &TfrmConstrucaoLista::dbgPesquisaKeyDown);
    bind("dbgPesquisaTitleClick", &TfrmConstrucaoLista::dbgPesquisaTitleClick);
    bind("spbAdicionarClick", &TfrmConstrucaoLista::spbAdicionarClick);
    bind("spbRetornaClick", &TfrmConstrucaoLista::spbRetornaClick);
    bind("spbPesquisaClick", &TfrmConstrucaoLista::spbPesquisaClick);
    bind("spbConfirmaClick", &TfrmConstrucaoLista::spbConfirmaClick);
    bind("spbSairClick", &TfrmConstrucaoLista::spbSairClick);
    bind("sbtPrimeiroClick", &TfrmConstrucaoLista::sbtPrimeiroClick);
    bind("sbtRolarCimaClick", &TfrmConstrucaoLista::sbtRolarCimaClick);
    bind("sbtRolaBaixoClick", &TfrmConstrucaoLista::sbtRolaBaixoClick);
    bind("sbtUltimoClick", &TfrmConstrucaoLista::sbtUltimoClick);
    bind("sbtPrimeiro1Click", &TfrmConstrucaoLista::sbtPrimeiro1Click);
    bind("sbtRolarCima1Click", &TfrmConstrucaoLista::sbtRolarCima1Click);
    bind("sbtRolaBaixo1Click", &TfrmConstrucaoLista::sbtRolaBaixo1Click);
    bind("sbtUltimo1Click", &TfrmConstrucaoLista::sbtUltimo1Click);
    bind("spd1Click", &TfrmConstrucaoLista::spd1Click);
    bind("spdCCdilClick", &TfrmConstrucaoLista::spdCCdilClick);
    bind("spdShiftClick", &TfrmConstrucaoLista::spdShiftClick);
    bind("spdCapsLockClick", &TfrmConstrucaoLista::spdCapsLockClick);
    bind("spdBackSpaceClick", &TfrmConstrucaoLista::spdBackSpaceClick);
    bind("spdLimparClick", &TfrmConstrucaoLista::spdLimparClick);
    bind("spdEnterClick", &TfrmConstrucaoLista::spdEnterClick);
    bind("spdSairClick", &TfrmConstrucaoLista::spdSairClick);
    createFromLayout([this] { Ui::frmConstrucaoLista().setupUi(this); });
}

void TfrmConstrucaoLista::checkSource(const TClientDataSet *Source)
{
    checkSearchable(Source, QStringLiteral("List construction"));
}

void TfrmConstrucaoLista::FormCreate(QObject *)
{
    lblDesc = requiredComponent<TLabel>(*this, "lblDesc");
    edtFiltro = requiredComponent<TEdit>(*this, "edtFiltro");
    dbgPesquisa = requiredComponent<TDBGrid>(*this, "dbgPesquisa");
    dbgListDest = requiredComponent<TDBGrid>(*this, "dbgListDest");
    spbAdicionar = requiredComponent<TSpeedButton>(*this, "spbAdicionar");
    spbRetorna = requiredComponent<TSpeedButton>(*this, "spbRetorna");
    spbPesquisa = requiredComponent<TSpeedButton>(*this, "spbPesquisa");
    spbConfirma = requiredComponent<TSpeedButton>(*this, "spbConfirma");
    spbSair = requiredComponent<TSpeedButton>(*this, "spbSair");
    pnlTeclado = requiredComponent<TPanel>(*this, "pnlTeclado");
    spdEnter = requiredComponent<TSpeedButton>(*this, "spdEnter");
    spdSair = requiredComponent<TSpeedButton>(*this, "spdSair");
    spdCapsLock = requiredComponent<TSpeedButton>(*this, "spdCapsLock");
    spdShift = requiredComponent<TSpeedButton>(*this, "spdShift");

    Trad(this);
    lblDesc->setCaption(list::stlblDesc);
    // The label grows with its text, as wide as the search box at most.
    lblDesc->resize(std::min(std::max(lblDesc->sizeHint().width(), lblDesc->width()), edtFiltro->width()),
                    lblDesc->height());
    lblDesc->setVisible(!list::stlblDesc.isEmpty());
    // Centred when shown (poScreenCenter), overhanging a smaller screen.
    setOuterSize(scaled(QSize(800, 600)));
}

void TfrmConstrucaoLista::PreparaLista(TClientDataSet *Source)
{
    checkSource(Source);
    copyRecords(*cdsItens, *Source);
    // The list is emptied before it is shown (emptyListOnce): its grid is
    // not told of the source's records meanwhile, which it would lay out.
    cdsListaDest->DisableControls();
    copyRecords(*cdsListaDest, *Source);

    indexVisibleFields(*cdsItens);
    indexVisibleFields(*Source);

    stFiltroBase = Source->Filter();
    dbgPesquisa->Columns()[1].Title().Font().setColor(clPurple);
    cdsItens->setIndexName(cdsItens->IndexDefs()[1].Name());
    cdsItens->First();
    for (int i = Source->FieldCount() - 1; i >= 0; --i)
        cdsItens->Fields(i)->setDisplayLabel(Source->Fields(i)->DisplayLabel());
    stCampoFiltro = cdsItens->Fields(1)->FieldName();
    prepareOrdersWhenIdle(this, cdsItens);
}

void TfrmConstrucaoLista::FormActivate(QObject *)
{
    emptyListOnce();
}

void TfrmConstrucaoLista::emptyListOnce()
{
    if (m_listEmptied)
        return;
    m_listEmptied = true;
    if (cdsListaDest->Active())
        cdsListaDest->EmptyDataSet();
    cdsListaDest->EnableControls();
}

void TfrmConstrucaoLista::showEvent(QShowEvent *event)
{
    // The window system may activate the form some time after it is shown,
    // and a touch may come first: emptying the list then would throw away
    // what was already moved into it. The list is empty before anything
    // can be touched.
    if (!event->spontaneous())
        emptyListOnce();
    TForm::showEvent(event);
}

void TfrmConstrucaoLista::closeEvent(QCloseEvent *event)
{
    event->ignore();
    dispatchEvent(this, [this] { spbSairClick(spbSair); });
}

// ---- the search -----------------------------------------------------------

void TfrmConstrucaoLista::AplicaFiltro(const QString &filter)
{
    applyFilter(*cdsItens, filter);
}

void TfrmConstrucaoLista::updateEnterKey()
{
    spdEnter->setEnabled(!cdsItens->IsEmpty());
}

void TfrmConstrucaoLista::FormKeyPress(QObject *, QChar &Key)
{
    if (m_keyboard.accepts(Key)) {
        const auto typed = m_keyboard.keyPress(Key, edtFiltro->Text().size());
        if (typed.releaseShift)
            spdShiftClick(spdShift);
        edtFiltro->setText(edtFiltro->Text() + typed.character);
        AplicaFiltro(
            MontaFiltro(stFiltroBase, stCampoFiltro, edtFiltro->Text(), prefixViewFor(*cdsItens, stCampoFiltro)));
    }
    updateEnterKey();
}

void TfrmConstrucaoLista::FormKeyDown(QObject *, WORD &Key, TShiftState Shift)
{
    if (Key == VK_ESCAPE && spbSair->Enabled())
        spbSairClick(spbSair);
    if (Key == VK_RETURN && spbConfirma->Enabled())
        spbConfirmaClick(spbConfirma);
    if (Key == 'A' && Shift == TShiftState(ssAlt))
        spbAdicionarClick(spbAdicionar);
    if (Key == 'E' && Shift == TShiftState(ssAlt))
        spbRetornaClick(spbRetorna);
    if (Key == 'P' && Shift == TShiftState(ssAlt))
        spbPesquisaClick(spbPesquisa);
    if (editSearchText(Key, *edtFiltro))
        AplicaFiltro(searchTextFilter(stFiltroBase, cdsItens->IndexName(), edtFiltro->Text(), Condicao,
                                      prefixViewFor(*cdsItens, cdsItens->IndexName())));
    if (Key == VK_CAPITAL)
        spdCapsLock->Click();
    // The physical Shift arms the one-shot shift; the captions stay.
    if (Key == VK_SHIFT) {
        m_keyboard.boShift = true;
        m_keyboard.showLatches();
    }
    swallowAltF4(Key, Shift);
    updateEnterKey();
}

void TfrmConstrucaoLista::edtFiltroKeyDown(QObject *, WORD &Key, TShiftState Shift)
{
    if (Key == VK_ESCAPE)
        spdSair->Click();
    if (Key == VK_RETURN)
        spdEnter->Click();
    swallowAltF4(Key, Shift);
}

void TfrmConstrucaoLista::dbgPesquisaKeyDown(QObject *, WORD &Key, TShiftState)
{
    if (Key == VK_RETURN)
        spbAdicionarClick(spbAdicionar);
}

void TfrmConstrucaoLista::dbgPesquisaTitleClick(TColumn *Column)
{
    edtFiltro->setText(QString());
    TDBGridColumns &columns = dbgPesquisa->Columns();
    for (int i = 0; i < columns.Count(); ++i)
        columns[i].Title().Font().setColor(clNavy);
    Column->Title().Font().setColor(clPurple);
    cdsItens->setIndexName(Column->FieldName());
    stCampoFiltro = cdsItens->IndexName();
}

// ---- the record moves and the ways out ------------------------------------

void TfrmConstrucaoLista::hideKeyboard()
{
    pnlTeclado->setVisible(false);
}

void TfrmConstrucaoLista::spbAdicionarClick(QObject *)
{
    hideKeyboard();
    list::moveRecord(*cdsItens, *cdsListaDest);
    spbRetorna->setEnabled(true);
    spbConfirma->setEnabled(true);
}

void TfrmConstrucaoLista::spbRetornaClick(QObject *)
{
    hideKeyboard();
    if (list::moveRecord(*cdsListaDest, *cdsItens))
        spbRetorna->setEnabled(!cdsListaDest->IsEmpty());
    spbConfirma->setEnabled(spbRetorna->Enabled());
}

void TfrmConstrucaoLista::spbConfirmaClick(QObject *)
{
    Close();
}

void TfrmConstrucaoLista::spbSairClick(QObject *)
{
    if (cdsListaDest->Active())
        cdsListaDest->EmptyDataSet();
    Close();
}

// ---- the keyboard panel ---------------------------------------------------

void TfrmConstrucaoLista::spbPesquisaClick(QObject *)
{
    if (stModoTeclado == QLatin1String("1")) {
        stModoTeclado = QStringLiteral("2");
        pnlTeclado->setVisible(false);
    } else {
        stModoTeclado = QStringLiteral("1");
        pnlTeclado->setVisible(true);
    }
    spbRetorna->setEnabled(true);
    spbConfirma->setEnabled(true);
}

void TfrmConstrucaoLista::spdEnterClick(QObject *)
{
    hideKeyboard();
}

void TfrmConstrucaoLista::spdSairClick(QObject *)
{
    hideKeyboard();
    cdsItens->setFilter(stFiltroBase);
    edtFiltro->setText(QString());
}

// ---- navigation -----------------------------------------------------------

void TfrmConstrucaoLista::sbtPrimeiroClick(QObject *)
{
    dbgPesquisa->setFocus();
    cdsItens->First();
}

void TfrmConstrucaoLista::sbtRolarCimaClick(QObject *)
{
    dbgPesquisa->setFocus();
    cdsItens->Prior();
}

void TfrmConstrucaoLista::sbtRolaBaixoClick(QObject *)
{
    dbgPesquisa->setFocus();
    cdsItens->Next();
}

void TfrmConstrucaoLista::sbtUltimoClick(QObject *)
{
    dbgPesquisa->setFocus();
    cdsItens->Last();
}

void TfrmConstrucaoLista::sbtPrimeiro1Click(QObject *)
{
    dbgListDest->setFocus();
    cdsListaDest->First();
}

void TfrmConstrucaoLista::sbtRolarCima1Click(QObject *)
{
    dbgListDest->setFocus();
    cdsListaDest->Prior();
}

void TfrmConstrucaoLista::sbtRolaBaixo1Click(QObject *)
{
    dbgListDest->setFocus();
    cdsListaDest->Next();
}

void TfrmConstrucaoLista::sbtUltimo1Click(QObject *)
{
    dbgListDest->setFocus();
    cdsListaDest->Last();
}

} // namespace TouchDialogs
