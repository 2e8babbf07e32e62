#include "dialogs/colour/TfrmCores.h"
#include "platform/forms/Application.h"
#include "platform/forms/Controls.h"
#include "platform/rtl/SysUtils.h"
#include "support/Messages.h"
#include "support/Trad.h"

// The layout compiled by uic names our classes unqualified, as the .ui does.
using namespace TouchDialogs;
#include "ui_TfrmCores.h"

namespace TouchDialogs {

TfrmCores::TfrmCores(QObject *owner) : TForm(owner)
{
    bind("FormCreate", &TfrmCores::FormCreate);
    bind("FormClose", &TfrmCores::FormClose);
    bind("shpCor01MouseDown", &TfrmCores::shpCor01MouseDown);
    bind("tcbSairClick", &TfrmCores::tcbSairClick);
    createFromLayout([this] { Ui::frmCores().setupUi(this); });
}

void TfrmCores::FormCreate(QObject *)
{
    Trad(this);
    auto *msgPadrao = component<TMessages>(QStringLiteral("msgPadrao"));
    setCaption(Application::Title() + QStringLiteral(" - ") + msgPadrao->Msg(QStringLiteral("Conf_Cor")));
    stCor = QStringLiteral("X");
}

void TfrmCores::shpCor01MouseDown(QObject *Sender, TMouseButton, TShiftState, int, int)
{
    // Colours are 00BBGGRR, never negative: the decimal text has no sign.
    stCor = IntToStr(qint64(quint32(static_cast<TShape *>(Sender)->BrushColor())));
    Close();
}

void TfrmCores::tcbSairClick(QObject *)
{
    Close();
}

void TfrmCores::FormClose(QObject *, TCloseAction &)
{
    Release();
}

} // namespace TouchDialogs
