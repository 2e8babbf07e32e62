// The record search form: a search box over the host's own dataset, the data
// grid, four paging buttons and the on-screen keyboard. Typing narrows the
// rows to those whose value in the order column begins with the search text;
// touching a column title makes that column the order and search column.
//
// The form works on the host's dataset directly: the index definitions, the
// filter and the current record it leaves behind are the dialog's answer.
#pragma once

#include "support/OnScreenKeyboard.h"
#include "support/ScanBurst.h"
#include "platform/db/ClientDataSet.h"
#include "platform/grid/DBGrid.h"
#include "platform/grid/DataSource.h"
#include "platform/db/FilterText.h"
#include "platform/forms/Form.h"

namespace TouchDialogs {

class TEdit;
class TLabel;
class TSpeedButton;

// The search condition joined to a base filter (see prefixSearchFilter),
// with this unit's Condicao choosing the connector.
QString searchExpression(const QString &base, const QString &field, const QString &text);
// The same, comparing the text with that view of the field.
QString searchExpression(const QString &base, const QString &field, const QString &text, db::PrefixView view);

// The search text limit that a field sets: its declared size, or none (-1)
// for a field without one (numbers, dates, memos).
int searchLengthOf(const TField *field);

class TD_EXPORT TfrmPesquisa : public TForm {
    Q_OBJECT

public:
    explicit TfrmPesquisa(QObject *owner = nullptr);

    // ---- lifecycle and keys
    void FormCreate(QObject *Sender);
    void FormKeyDown(QObject *Sender, WORD &Key, TShiftState Shift);
    void FormKeyPress(QObject *Sender, QChar &Key);
    void edtFiltroKeyDown(QObject *Sender, WORD &Key, TShiftState Shift);
    void dbgPesquisaKeyDown(QObject *Sender, WORD &Key, TShiftState Shift);
    void dbgPesquisaDblClick(QObject *Sender);

    // ---- paging
    void sbtPrimeiroClick(QObject *Sender);
    void sbtRolarCimaClick(QObject *Sender);
    void sbtRolaBaixoClick(QObject *Sender);
    void sbtUltimoClick(QObject *Sender);

    // ---- ending the dialog (each queues a close)
    void spdEnterClick(QObject *Sender);
    void spdSairClick(QObject *Sender);
    void spdNavDirClick(QObject *Sender);
    void spdNavEsqClick(QObject *Sender);

    // ---- the on-screen keys
    void spd1Click(QObject *Sender) { m_keyboard.spd1Click(Sender); }
    void spdCCdilClick(QObject *Sender) { m_keyboard.spdCCdilClick(Sender); }
    void spdShiftClick(QObject *Sender) { m_keyboard.spdShiftClick(Sender); }
    void spdCapsLockClick(QObject *Sender) { m_keyboard.spdCapsLockClick(Sender); }
    void spdBackSpaceClick(QObject *Sender) { m_keyboard.spdBackSpaceClick(Sender); }
    void spdLimparClick(QObject *Sender) { m_keyboard.spdLimparClick(Sender); }
    void PostText(const QString &stText, bool boEnter, bool boAsChar) { m_keyboard.PostText(stText, boEnter, boAsChar); }

    // ---- the data side
    // Attaches the host's dataset: one index per visible field, the base
    // filter, the second visible field as order and search column, the first
    // record current.
    void PreparaPesquisa(TClientDataSet *DataSet);
    QString MontaFiltro(const QString &Texto) const;
    void AplicaFiltro(const QString &Expressao);
    void dbgPesquisaTitleClick(TColumn *Column);

    // ---- what the caller and tests read
    bool boConfirmado() const { return m_boConfirmado; }
    bool boCapsLock() const { return m_keyboard.boCapsLock; }
    bool boShift() const { return m_keyboard.boShift; }
    QString stFiltroBase() const { return m_stFiltroBase; }
    int inTamMaximo() const { return m_inTamMaximo; }
    TClientDataSet *dataSet() const;

private:
    TClientDataSet &preparedDataSet() const;
    void setMaxLength(int length);
    void refreshEnterKey();
    void requestClose();
    bool pickScanned();

    // Private fields, in the order the dialog describes them.
    bool m_boConfirmado = false;
    QString m_stFiltroBase;
    int m_inTamMaximo = -1;

    OnScreenKeyboard m_keyboard{*this, KeyboardPolicy::search()};
    ScanBurst m_scan;
    TDataSource *m_dtsPesquisa = nullptr;
    TLabel *m_lblDesc = nullptr;
    TEdit *m_edtFiltro = nullptr;
    TDBGrid *m_dbgPesquisa = nullptr;
    TSpeedButton *m_spdEnter = nullptr;
    TSpeedButton *m_spdSair = nullptr;
    TSpeedButton *m_spdShift = nullptr;
    TSpeedButton *m_spdCapsLock = nullptr;
};

} // namespace TouchDialogs
