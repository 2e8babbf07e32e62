// The list builder form: the available records above (cdsItens in
// dbgPesquisa), the list being built below (cdsListaDest in dbgListDest),
// a search box that narrows the available records by the start of a value,
// and a hidden on-screen keyboard panel.
#pragma once

#include "support/OnScreenKeyboard.h"
#include "platform/forms/Form.h"

namespace TouchDialogs {

class TClientDataSet;
class TColumn;
class TDataSource;
class TDBGrid;
class TEdit;
class TLabel;
class TPanel;
class TSpeedButton;

class TD_EXPORT TfrmConstrucaoLista : public TForm {
    Q_OBJECT

public:
    explicit TfrmConstrucaoLista(QObject *owner = nullptr);

    // Raises EDatabaseError unless Source is open with at least two visible
    // fields (the second one orders the available records).
    static void checkSource(const TClientDataSet *Source);

    // Loads both lists from Source's packet, gives cdsItens and Source one
    // index definition per visible field, orders by the second one and
    // captures Source's filter as the base of every search.
    void PreparaLista(TClientDataSet *Source);

    void FormCreate(QObject *Sender);
    // Empties the list (loaded full by PreparaLista) once, when the form is
    // first shown or activated: coming back from another window keeps what
    // was built.
    void FormActivate(QObject *Sender);
    void FormKeyPress(QObject *Sender, QChar &Key);
    void FormKeyDown(QObject *Sender, WORD &Key, TShiftState Shift);
    void edtFiltroKeyDown(QObject *Sender, WORD &Key, TShiftState Shift);
    void dbgPesquisaKeyDown(QObject *Sender, WORD &Key, TShiftState Shift);
    void dbgPesquisaTitleClick(TColumn *Column);

    void spbAdicionarClick(QObject *Sender);
    void spbRetornaClick(QObject *Sender);
    void spbPesquisaClick(QObject *Sender);
    void spbConfirmaClick(QObject *Sender);
    void spbSairClick(QObject *Sender);

    void sbtPrimeiroClick(QObject *Sender);
    void sbtRolarCimaClick(QObject *Sender);
    void sbtRolaBaixoClick(QObject *Sender);
    void sbtUltimoClick(QObject *Sender);
    void sbtPrimeiro1Click(QObject *Sender);
    void sbtRolarCima1Click(QObject *Sender);
    void sbtRolaBaixo1Click(QObject *Sender);
    void sbtUltimo1Click(QObject *Sender);

    // The keyboard panel's keys.
    void spd1Click(QObject *Sender) { m_keyboard.spd1Click(Sender); }
    void spdCCdilClick(QObject *Sender) { m_keyboard.spdCCdilClick(Sender); }
    void spdShiftClick(QObject *Sender) { m_keyboard.spdShiftClick(Sender); }
    void spdCapsLockClick(QObject *Sender) { m_keyboard.spdCapsLockClick(Sender); }
    void spdBackSpaceClick(QObject *Sender) { m_keyboard.spdBackSpaceClick(Sender); }
    void spdLimparClick(QObject *Sender) { m_keyboard.spdLimparClick(Sender); }
    void spdEnterClick(QObject *Sender);
    void spdSairClick(QObject *Sender);

    void PostText(const QString &stText, bool boEnter, bool boAsChar) { m_keyboard.PostText(stText, boEnter, boAsChar); }

    // Components that are not widgets, made before the layout is loaded.
    TClientDataSet *cdsItens;
    TClientDataSet *cdsListaDest;
    TDataSource *dtsPesquisa;
    TDataSource *dtsListaDest;

    const OnScreenKeyboard &keyboard() const { return m_keyboard; }
    QString filtroBase() const { return stFiltroBase; }
    QString campoFiltro() const { return stCampoFiltro; }
    QString modoTeclado() const { return stModoTeclado; }

protected:
    // A close request from the window system (there is no close box, but a
    // window manager may still send one) leaves as "Sair" does. Closing
    // plainly would hand the host the list as built, which it takes for a
    // confirmed list.
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void AplicaFiltro(const QString &filter);
    void updateEnterKey();
    void hideKeyboard();
    void emptyListOnce();

    OnScreenKeyboard m_keyboard{*this, KeyboardPolicy::list()};
    QString stFiltroBase;
    QString stModoTeclado;
    QString stCampoFiltro;
    bool m_listEmptied = false;

    TLabel *lblDesc = nullptr;
    TEdit *edtFiltro = nullptr;
    TDBGrid *dbgPesquisa = nullptr;
    TDBGrid *dbgListDest = nullptr;
    TSpeedButton *spbAdicionar = nullptr;
    TSpeedButton *spbRetorna = nullptr;
    TSpeedButton *spbPesquisa = nullptr;
    TSpeedButton *spbConfirma = nullptr;
    TSpeedButton *spbSair = nullptr;
    TPanel *pnlTeclado = nullptr;
    TSpeedButton *spdEnter = nullptr;
    TSpeedButton *spdSair = nullptr;
    TSpeedButton *spdCapsLock = nullptr;
    TSpeedButton *spdShift = nullptr;
};

} // namespace TouchDialogs
