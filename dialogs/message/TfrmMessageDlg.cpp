#include "dialogs/message/TfrmMessageDlg.h"
#include "platform/forms/Application.h"
#include "platform/forms/Colors.h"
#include "platform/forms/Controls.h"
#include "support/Touch.h"
#include "support/Trad.h"

#include <climits>

// The layout compiled by uic names our classes unqualified, as the .ui does.
using namespace TouchDialogs;
#include "ui_TfrmMessageDlg.h"

namespace TouchDialogs {

using namespace message;

namespace {
constexpr int kButtonWidth = 120;
constexpr int kButtonHeight = 60;
constexpr int kButtonTop = 150;
constexpr int kButtonGap = 10;
const QColor kDefaultCaptionColour(0x80, 0x00, 0x80); // purple
} // namespace

TfrmMessageDlg::TfrmMessageDlg(QObject *owner) : TForm(owner)
{
    bind("FormCreate", &TfrmMessageDlg::FormCreate);
    bind("FormKeyDown", &TfrmMessageDlg::FormKeyDown);
    bind("timDefaultTimer", &TfrmMessageDlg::timDefaultTimer);
    createFromLayout([this] { Ui::TfrmMessageDlg().setupUi(this); });
}

void TfrmMessageDlg::FormCreate(QObject *)
{
    Trad(this);
}

void TfrmMessageDlg::BuildBox(const QString &MsgText, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int Seconds,
                              const QString &ExtraCaption, Sizing sizing)
{
    if (auto *icon = component<QWidget>(QStringLiteral("imgMessage") + QString::number(int(DlgType))))
        icon->setVisible(true);

    auto *label = component<TLabel>(QStringLiteral("lblMessage"));
    auto *bevel = component<QWidget>(QStringLiteral("bvlMessage"));
    // A one-line message starts on the second line, clear of the icon.
    label->setCaption(MsgText.contains(u'\r') ? MsgText : QStringLiteral("\r\n") + MsgText);

    const int n = Buttons.count() + (ExtraCaption.isEmpty() ? 0 : 1);
    const int rowWidth = n == 0 ? 0 : kButtonWidth * n + kButtonGap * (n - 1);

    // Widths of the layout, each from the one before it; drawn at the scale.
    const int formWidth = designedSize().width() - (sizing == Sizing::Modal ? 20 : 30);
    const int labelWidth = formWidth - (sizing == Sizing::Modal ? 54 : 100);
    resize(scaled(formWidth), height());
    label->resize(scaled(labelWidth), label->height());
    bevel->resize(scaled(formWidth - 4), bevel->height());
    label->setWordWrap(true);

    int x = (formWidth - rowWidth) / 2;

    DefaultButton = Buttons.contains(mbOK) ? mbOK : Buttons.contains(mbYes) ? mbYes : mbRetry;
    CancelButton = Buttons.contains(mbCancel) ? mbCancel : Buttons.contains(mbNo) ? mbNo : mbOK;

    const QColor textColour = label->palette().color(QPalette::WindowText);
    auto addButton = [&](const QString &name, const QString &caption, int tag, const QColor &colour) {
        auto *button = new TTouchButton(this);
        button->setObjectName(name);
        button->setCaption(caption);
        button->setFont(label->font());
        QPalette pal = button->palette();
        pal.setColor(QPalette::ButtonText, colour);
        button->setPalette(pal);
        button->setTag(tag);
        const QRect place = scaled(QRect(x, kButtonTop, kButtonWidth, kButtonHeight));
        button->SetBounds(place.x(), place.y(), place.width(), place.height());
        x += kButtonWidth + kButtonGap;
        button->OnClick = [this](QObject *Sender) { DoButtonClick(Sender); };
    };
    for (int k = 0; k < kButtonKinds; ++k) {
        if (!Buttons.contains(k))
            continue;
        addButton(ButtonNames[k], ButtonCaptions[k], ModalResults[k],
                  k == DefaultButton ? kDefaultCaptionColour : textColour);
    }
    if (!ExtraCaption.isEmpty())
        addButton(QStringLiteral("btnExtra"), ExtraCaption, kExtraButtonResult, textColour);

    auto *countdownButton = component<TSpeedButton>(ButtonNames[DefaultButton]);
    if (Seconds > 0 && Application::extensions().countdown && countdownButton) {
        // The seconds left follow the caption; the accelerator stays its own.
        m_secondsLeft = Seconds;
        m_countdownCaption = countdownButton->Caption();
        countdownButton->setCaption(QStringLiteral("%1 (%2)").arg(m_countdownCaption).arg(m_secondsLeft));
        auto *timer = new TTimer(this);
        timer->setObjectName(QStringLiteral("timCountdown"));
        timer->setInterval(1000);
        timer->OnTimer = [this](QObject *Sender) { timCountdownTimer(Sender); };
        timer->setEnabled(true);
    } else if (Seconds > 0) {
        auto *timer = component<TTimer>(QStringLiteral("timDefault"));
        // Beyond about 24 days the milliseconds would not fit the interval.
        timer->setInterval(Seconds > INT_MAX / 1000 ? INT_MAX : Seconds * 1000);
        timer->setEnabled(true);
    }
}

void TfrmMessageDlg::DoButtonClick(QObject *Sender)
{
    auto *button = qobject_cast<TSpeedButton *>(Sender);
    if (isModalRunning()) {
        // Help's result is 0, which leaves a modal box open.
        setModalResult(button ? button->Tag() : 0);
    } else {
        Close();
    }
}

bool TfrmMessageDlg::clickButton(TMsgDlgBtn kind)
{
    auto *button = component<TSpeedButton>(ButtonNames[kind]);
    if (!button)
        return false;
    button->Click();
    return true;
}

void TfrmMessageDlg::FormKeyDown(QObject *, WORD &Key, TShiftState)
{
    if (Key == VK_RETURN) {
        clickButton(DefaultButton);
        return;
    }
    if (Key == VK_ESCAPE) {
        clickButton(CancelButton);
        return;
    }
    const int code = Key & 0xFF;
    if (!((code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z') || (code >= 'a' && code <= 'z')))
        return;
    // Every button whose accelerator matches is clicked, in creation order:
    // with two on one character the later one's result stands.
    const QChar wanted{char16_t(code)};
    for (QObject *component : Components()) {
        auto *button = qobject_cast<TTouchButton *>(component);
        if (!button)
            continue;
        const QString caption = button->Caption();
        const qsizetype amp = caption.indexOf(u'&');
        if (amp >= 0 && amp + 1 < caption.size() && caption.at(amp + 1) == wanted)
            button->Click();
    }
}

void TfrmMessageDlg::timCountdownTimer(QObject *)
{
    if (m_secondsLeft <= 0)
        return;
    if (--m_secondsLeft > 0) {
        component<TSpeedButton>(ButtonNames[DefaultButton])
            ->setCaption(QStringLiteral("%1 (%2)").arg(m_countdownCaption).arg(m_secondsLeft));
        return;
    }
    component<TTimer>(QStringLiteral("timCountdown"))->setEnabled(false);
    component<TSpeedButton>(ButtonNames[DefaultButton])->setCaption(m_countdownCaption);
    clickButton(DefaultButton);
}

void TfrmMessageDlg::timDefaultTimer(QObject *)
{
    component<TTimer>(QStringLiteral("timDefault"))->setEnabled(false);
    if (!clickButton(DefaultButton))
        Close();
}

} // namespace TouchDialogs
