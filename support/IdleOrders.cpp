#include "support/IdleOrders.h"
#include "platform/db/ClientDataSet.h"
#include "platform/forms/Application.h"

#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace TouchDialogs {

namespace {

// Waits for the form's first paint, then lets a zero timer take one step
// each time the event loop has nothing else to do: a touch or a key waits
// for one sort at most.
class IdleOrders : public QObject {
public:
    IdleOrders(QWidget *form, TClientDataSet *dataSet) : QObject(form), m_dataSet(dataSet)
    {
        form->installEventFilter(this);
        m_timer.setInterval(0);
        connect(&m_timer, &QTimer::timeout, this, &IdleOrders::step);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_timer.isActive() && m_step == 0) {
            watched->removeEventFilter(this);
            m_timer.start();
        }
        return false;
    }

private:
    void step()
    {
        try {
            if (m_dataSet && m_dataSet->prepareOrder(m_step++, Application::extensions().ignoreAccents))
                return;
        } catch (const std::exception &) {
            // Whatever failed is met again, and reported, when it is asked for.
        }
        m_timer.stop();
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
