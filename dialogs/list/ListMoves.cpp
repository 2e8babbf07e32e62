#include "dialogs/list/ListMoves.h"
#include "platform/db/ClientDataSet.h"

#include <QVariantList>

namespace TouchDialogs::list {

bool moveRecord(TClientDataSet &giving, TClientDataSet &receiving)
{
    if (giving.IsEmpty())
        return false;
    QVariantList values;
    values.reserve(giving.FieldCount());
    for (int i = 0; i < giving.FieldCount(); ++i)
        values.append(giving.Fields(i)->Value());

    receiving.Insert();
    try {
        for (int i = 0; i < values.size(); ++i)
            receiving.Fields(i)->setValue(values.at(i));
        receiving.Post();
    } catch (...) {
        receiving.Cancel();
        throw;
    }
    try {
        giving.Delete();
    } catch (...) {
        // The new record is still current: take it out again.
        receiving.Delete();
        throw;
    }
    return true;
}

} // namespace TouchDialogs::list
