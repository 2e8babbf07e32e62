#include "support/IdleOrders.h"
#include "platform/db/ClientDataSet.h"
#include "platform/forms/Application.h"

#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

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

void prepareOrdersWhenIdle(QWidget *form, TClientDataSet *dataSet)
{
    new IdleOrders(form, dataSet);
}

} // namespace TouchDialogs
