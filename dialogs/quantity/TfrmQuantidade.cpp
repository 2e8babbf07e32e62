#include "dialogs/quantity/TfrmQuantidade.h"
#include "dialogs/quantity/QuantityUnit.h"
#include "platform/forms/Controls.h"
#include "platform/rtl/SysUtils.h"
#include "support/Consiste.h"
#include "support/Messages.h"
#include "support/Trad.h"

#include <TouchDialogs/Message.h>

#include <QCloseEvent>

// The layout compiled by uic names our classes unqualified, as the .ui does.
using namespace TouchDialogs;
#include "ui_TfrmQuantidade.h"

namespace TouchDialogs {

using namespace quantity;

namespace {
// The display grows to the left from this edge.
constexpr int kDisplayRight = 280;
constexpr int kDisplayMinWidth = 6;
} // namespace

TfrmQuantidade::TfrmQuantidade(QObject *owner) : TForm(owner)
{
    bind("FormCreate", &TfrmQuantidade::FormCreate);
    bind("FormActivate", &TfrmQuantidade::FormActivate);
    bind("FormClose", &TfrmQuantidade::FormClose);
    bind("FormKeyDown", &TfrmQuantidade::FormKeyDown);
    bind("FormKeyPress", &TfrmQuantidade::FormKeyPress);
    bind("sbt1Click", &TfrmQuantidade::sbt1Click);
    bind("sbtEnterClick", &TfrmQuantidade::sbtEnterClick);
    bind("sbtCorrigirClick", &TfrmQuantidade::sbtCorrigirClick);
    bind("sbtCancelarClick", &TfrmQuantidade::sbtCancelarClick);
    createFromLayout([this] { Ui::TfrmQuantidade().setupUi(this); });
}

QString TfrmQuantidade::entry() const
{
    return m_display ? m_display->Caption() : QString();
}

void TfrmQuantidade::setEntry(const QString &text)
{
    m_display->setCaption(text);
    const int width = std::max(scaled(kDisplayMinWidth), m_display->fontMetrics().horizontalAdvance(text));
    m_display->setGeometry(scaled(kDisplayRight) - width, m_display->y(), width, m_display->height());
}

void TfrmQuantidade::FormCreate(QObject *)
{
    m_display = component<TLabel>(QStringLiteral("lblInformacao"));
    Trad(this);
    setCaption(stMensPadrao);
}

void TfrmQuantidade::FormActivate(QObject *)
{
    component<TSpeedButton>(QStringLiteral("stbVirgula"))->setEnabled(inTela != 1);
    Refresh();
}

void TfrmQuantidade::FormKeyPress(QObject *, QChar &Key)
{
    if (!(Key == u',' || Key == u'.' || (Key >= u'0' && Key <= u'9')))
        return;
    const QString text = entry();
    // "" and "0" (and anything that sorts below "0", such as "-1") mean no limit.
    if (!stQtDigitos.isEmpty() && stQtDigitos > QLatin1String("0") && text.size() == StrToInt(stQtDigitos))
        return;
    const QChar ch = Key == u'.' ? QChar(u',') : Key;
    if (ch == u',' && (text.contains(u',') || inTela == 1))
        return;
    setEntry(text + ch);
}

void TfrmQuantidade::sbt1Click(QObject *Sender)
{
    auto *key = qobject_cast<TSpeedButton *>(Sender);
    if (!key)
        return;
    QChar ch{char16_t(key->Tag() & 0xFF)};
    FormKeyPress(Sender, ch);
}

void TfrmQuantidade::sbtEnterClick(QObject *)
{
    if (EmptyString(entry())) {
        const QString text = component<TMessages>(QStringLiteral("msgPadrao"))->Msg(QStringLiteral("Quant_Inf"));
        message::TouchMessageDlg(text, message::mtError, {message::mbOK}, 0, 0, QString());
        return;
    }
    // A lone comma is no number: the conversion error leaves the dialog open.
    doQtdeInfo = StrToFloat(entry());
    Close();
}

void TfrmQuantidade::sbtCorrigirClick(QObject *)
{
    setEntry(entry().chopped(entry().isEmpty() ? 0 : 1));
    component<QWidget>(QStringLiteral("bvlInformacao"))->repaint();
}

void TfrmQuantidade::sbtCancelarClick(QObject *)
{
    doQtdeInfo = 0;
    Close();
}

void TfrmQuantidade::FormKeyDown(QObject *, WORD &Key, TShiftState Shift)
{
    if (Key == VK_RETURN)
        sbtEnterClick(this);
    if (Key == VK_BACK)
        sbtCorrigirClick(this);
    if (Key == VK_DELETE)
        setEntry(QString());
    if (Key == VK_ESCAPE)
        sbtCancelarClick(this);
    if (Key == VK_F4 && Shift == TShiftState(ssAlt))
        Key = 0;
}

void TfrmQuantidade::FormClose(QObject *, TCloseAction &)
{
    // The caller frees the form once its modal run has returned; this
    // deferred release then finds it gone.
    Release();
}

void TfrmQuantidade::closeEvent(QCloseEvent *event)
{
    // Closed from the window's close box: nothing was confirmed, so the
    // answer is 0 like Cancel, never an earlier call's quantity. A close
    // that arrives once Enter or Cancel has answered (the run is ending)
    // leaves that answer alone.
    if (!isModalEnding())
        doQtdeInfo = 0;
    TForm::closeEvent(event);
}

} // namespace TouchDialogs
