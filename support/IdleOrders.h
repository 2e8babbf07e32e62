// Sorting ahead: once a form has painted for the first time, the orders its
// dataset may need next are built one per idle moment of the event loop.
#pragma once

#include <QtGlobal>

class QWidget;

namespace TouchDialogs {

class TClientDataSet;

// Builds dataSet's likely next orders (prepareOrder) after
// form's first paint, on another thread, while both live.
void prepareOrdersWhenIdle(QWidget *form, TClientDataSet *dataSet);

} // namespace TouchDialogs
