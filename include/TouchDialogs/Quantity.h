// The quantity keypad: InfoQuantidade and its globals.
#pragma once

#include <TouchDialogs/Export.h>

#include <QString>

namespace TouchDialogs {
class TfrmQuantidade;
}

namespace TouchDialogs::quantity {

// The keypad while InfoQuantidade runs; nil before and after.
TD_EXPORT extern TfrmQuantidade *frmQuantidade;
TD_EXPORT extern QString stMensPadrao;
TD_EXPORT extern QString stQtDigitos;
TD_EXPORT extern double doQtdeInfo;
TD_EXPORT extern int inTela;

// Asks for a quantity on the keypad: Caption is the dialog's caption, Tela 1
// allows whole numbers only, Digitos (decimal text, "" or "0" for none) limits
// the characters of the entry. Returns the number confirmed with Enter, or 0
// when the dialog was cancelled or closed.
TD_EXPORT double InfoQuantidade(const QString &Caption, int Tela, const QString &Digitos);

} // namespace TouchDialogs::quantity
