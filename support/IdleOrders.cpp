#include "support/IdleOrders.h"
#include "platform/db/ClientDataSet.h"
#include "platform/db/RecordStore.h"
#include "platform/forms/Application.h"
#include "platform/rtl/Exceptions.h"

#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <utility>
#include <vector>

namespace TouchDialogs {

namespace {

// Waits for the form's first paint, then has the orders built one after
// the other on another thread (prepareOrder), looking in
// when the event loop has nothing else to do: a touch or a key never waits
// for a sort.
class IdleOrders : public QObject {
public:
    IdleOrders(QWidget *form, TClientDataSet *dataSet) : QObject(form), m_dataSet(dataSet)
    {
        form->installEventFilter(this);
        connect(&m_timer, &QTimer::timeout, this, &IdleOrders::step);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_timer.isActive() && m_step == 0) {
            watched->removeEventFilter(this);
            m_timer.start(0);
        }
        return false;
    }

private:
    void step()
    {
        int next = -1;
        try {
            if (m_dataSet)
                next = prepareOrder(*m_dataSet, m_step, Application::extensions().ignoreAccents);
        } catch (const std::exception &) {
            // Whatever failed is met again, and reported, when it is asked for.
        }
        if (next < 0) {
            m_timer.stop();
            return;
        }
        // While a step is being built, look again now and then rather than spin.
        m_timer.setInterval(next == m_step ? 10 : 0);
        m_step = next;
    }

    QPointer<TClientDataSet> m_dataSet;
    QTimer m_timer;
    int m_step = 0;
};

} // namespace

int prepareOrder(TClientDataSet &ds, int step, bool ignoreAccents)
{
    if (!ds.Active())
        return -1;
    // The view's own order first: its rows past the first screen wait for it.
    if (!OrdersAhead::viewReady(ds))
        return step;
    const int given = step;
    // The prefix search on the current order's field first (the first
    // keystroke), then each other index and its field (a touched title and
    // the key after it), as many as the store keeps.
    std::vector<std::pair<db::SortKeys, int>> plan; // an order to keep, or a field to search (-1: none)
    const db::SortKeys current = OrdersAhead::viewKeys(ds);
    if (!current.empty() && OrdersAhead::searchable(ds, current.front().field))
        plan.push_back({{}, current.front().field});
    for (int i = 0; i < ds.IndexDefs().Count(); ++i) {
        db::SortKeys keys;
        try {
            keys = OrdersAhead::indexKeys(ds, i);
        } catch (const EDatabaseError &) {
            continue; // named when it is chosen
        }
        if (keys.empty() || keys == current)
            continue;
        plan.push_back({keys, -1});
        if (OrdersAhead::searchable(ds, keys.front().field))
            plan.push_back({{}, keys.front().field});
    }
    size_t orders = 0, searches = 0;
    for (size_t i = 0; i < plan.size(); ++i) {
        const bool isOrder = plan[i].second < 0;
        if (isOrder ? ++orders > db::RecordStore::keptOrders - 1 : ++searches > db::RecordStore::keptPrefixOrders)
            continue;
        if (step-- > 0)
            continue;
        const bool ready = isOrder ? OrdersAhead::orderReady(ds, plan[i].first)
                                   : OrdersAhead::prefixOrderReady(ds, plan[i].second, ignoreAccents);
        return ready ? given + 1 : given;
    }
    return -1;
}

void prepareOrdersWhenIdle(QWidget *form, TClientDataSet *dataSet)
{
    new IdleOrders(form, dataSet);
}

} // namespace TouchDialogs
