// Sorting ahead: once a form has painted for the first time, the orders its
// dataset may need next are built one per idle moment of the event loop.
#pragma once

#include <QtGlobal>

class QWidget;

namespace TouchDialogs {

class TClientDataSet;

// Builds ahead of use one of the orders the search and list forms may ask
// for next (the typed search on the current order's field, another index,
// the typed search on its field), so that the first keystroke or title touch
// does not wait for a sort. ignoreAccents: the typed search folds accents.
// The work is done on another thread: returns the step to ask for next, step
// itself while it is still being built, -1 once step is past the last.
int prepareOrder(TClientDataSet &ds, int step, bool ignoreAccents = false);

// Builds dataSet's likely next orders (prepareOrder) after
// form's first paint, on another thread, while both live.
void prepareOrdersWhenIdle(QWidget *form, TClientDataSet *dataSet);

} // namespace TouchDialogs
