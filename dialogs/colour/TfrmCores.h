// The colour chooser's form: twenty swatches; the first touch on one decides
// and closes the form, Sair or any other close leaves the answer "X".
#pragma once

#include "platform/forms/Form.h"

namespace TouchDialogs {

class TD_EXPORT TfrmCores : public TForm {
    Q_OBJECT

public:
    explicit TfrmCores(QObject *owner = nullptr);

    // The answer: "X" until a swatch is touched, then its colour in decimal.
    QString chosenColour() const { return stCor; }

    void FormCreate(QObject *Sender);
    void shpCor01MouseDown(QObject *Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void tcbSairClick(QObject *Sender);
    void FormClose(QObject *Sender, TCloseAction &Action);

private:
    QString stCor;
};

} // namespace TouchDialogs
