// The quantity keypad: a right-aligned number display, digit keys, a comma
// key, Enter, Cancel and Correct; the physical keys do the same. Its state
// is the display's text and the quantity unit's globals.
#pragma once

#include "platform/forms/Form.h"

namespace TouchDialogs {

class TLabel;

class TD_EXPORT TfrmQuantidade : public TForm {
    Q_OBJECT

public:
    explicit TfrmQuantidade(QObject *owner);

    // The entry as shown: digits and at most one comma.
    QString entry() const;

    void FormCreate(QObject *Sender);
    void FormActivate(QObject *Sender);
    void FormClose(QObject *Sender, TCloseAction &Action);
    void FormKeyDown(QObject *Sender, WORD &Key, TShiftState Shift);
    void FormKeyPress(QObject *Sender, QChar &Key);
    void sbt1Click(QObject *Sender);
    void sbtEnterClick(QObject *Sender);
    void sbtCorrigirClick(QObject *Sender);
    void sbtCancelarClick(QObject *Sender);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // Shows the text with the display's right edge kept in place.
    void setEntry(const QString &text);

    TLabel *m_display = nullptr;
};

} // namespace TouchDialogs
