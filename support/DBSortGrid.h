// TDBSortGrid: the support package's data grid. It reports title touches
// and keys like TDBGrid; the form that owns it decides how to order the data.
#pragma once

#include "platform/grid/DBGrid.h"

namespace TouchDialogs {

class TDBSortGrid : public TDBGrid {
    Q_OBJECT

public:
    explicit TDBSortGrid(QWidget *parent = nullptr) : TDBGrid(parent) {}
};

} // namespace TouchDialogs
