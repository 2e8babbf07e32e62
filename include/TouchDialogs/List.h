// The list construction dialog: ConstrucaoList and its globals.
#pragma once

#include <TouchDialogs/Export.h>

#include <QString>
#include <QVariant>

namespace TouchDialogs {
class TClientDataSet;
class TfrmConstrucaoLista;
}

namespace TouchDialogs::list {

// The open form during a call; nullptr otherwise.
TD_EXPORT extern TfrmConstrucaoLista *frmConstrucaoLista;
// The description of the last call, shown above the search box.
TD_EXPORT extern QString stlblDesc;

// Lets the user build a list from the records of Source, shown under the
// description Descricao. Returns the data packet of the built list (Source's
// fields, the chosen records in list order); no records when the user left
// with "Sair". Source's records and filter are not changed; its index
// definitions become one per visible field, named after it.
// Raises EDatabaseError before any window is shown when Source is missing,
// closed or has fewer than two visible fields. Other errors while building
// or preparing the form reach the caller too; the form is freed and
// frmConstrucaoLista is nil again on every path.
TD_EXPORT QVariant ConstrucaoList(TClientDataSet *Source, const QString &Descricao);

// The first text when Flag is true, else the second.
TD_EXPORT QString Condicao(bool Flag, const QString &TrueText, const QString &FalseText);

} // namespace TouchDialogs::list
