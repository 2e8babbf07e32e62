// The record search dialog: Pesquisa, the text chooser Condicao and the
// globals.
#pragma once

#include <TouchDialogs/Export.h>

#include <QString>

namespace TouchDialogs {
class TClientDataSet;
class TfrmPesquisa;
}

namespace TouchDialogs::search {

TD_EXPORT extern TfrmPesquisa *frmPesquisa;
TD_EXPORT extern QString stColuna;
TD_EXPORT extern QString stImg00500;
TD_EXPORT extern QString stFilter;
TD_EXPORT extern QString stObservacao;
TD_EXPORT extern bool boNavegador;
// How the dialog ended: 1 Enter, double click or Exit; 2 the right
// navigation key; 3 the left one.
TD_EXPORT extern int inNavegProd;

// Lets the user find and pick a record of the host's own dataset. Returns
// true when a record was picked; it is then the dataset's current record.
// stFilter "S" drops the dataset's filter for the search; stObservacao is
// shown above the search box; boNavegador offers the two navigation keys.
// The dataset keeps the order, the index definitions and the filter the
// search left. Raises EDatabaseError, before any form exists, for a missing
// or closed dataset or one with fewer than two visible fields.
TD_EXPORT bool Pesquisa(TClientDataSet *DataSet, QString stImg00500Arg, QString stFilterArg,
                        QString stObservacaoArg, bool boNavegadorArg);

// The first text when the flag is set, else the second.
TD_EXPORT QString Condicao(bool Flag, const QString &Verdadeiro, const QString &Falso);

} // namespace TouchDialogs::search
