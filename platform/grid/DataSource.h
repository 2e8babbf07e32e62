// TDataSource: links one dataset to the data-aware controls that show it.
#pragma once

#include "platform/rtl/Export.h"

#include <QObject>
#include <QPointer>

namespace TouchDialogs {

class TClientDataSet;

class TDataSource : public QObject {
    Q_OBJECT

public:
    explicit TDataSource(QObject *owner = nullptr) : QObject(owner) {}

    TClientDataSet *DataSet() const { return m_dataSet; }
    // Controls bound to this source follow the new dataset at once.
    void setDataSet(TClientDataSet *dataSet);

signals:
    void dataSetChanged(TouchDialogs::TClientDataSet *dataSet);

private:
    QPointer<TClientDataSet> m_dataSet;
};

} // namespace TouchDialogs
