#include "tests/support/TestSupport.h"
#include "platform/forms/Application.h"
#include "platform/rtl/Exceptions.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <memory>

namespace TouchDialogs::testing {

QWidget *activeModal()
{
    return QApplication::activeModalWidget();
}

std::shared_ptr<bool> whenModal(std::function<void(QWidget *)> action, int timeoutMs)
{
    auto fired = std::make_shared<bool>(false);
    QWidget *before = activeModal();
    auto *timer = new QTimer(qApp);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [=] {
        QWidget *dlg = activeModal();
        if (dlg && dlg != before && dlg->isVisible()) {
            timer->stop();
            timer->deleteLater();
            *fired = true;
            action(dlg);
        } else if (clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
    return fired;
}

void touch(QWidget *w, const QString &childName)
{
    auto *child = w->findChild<QWidget *>(childName);
    if (!child)
        QTest::qFail(qPrintable(QStringLiteral("no child named %1").arg(childName)), __FILE__, __LINE__);
    else
        QTest::mouseClick(child, Qt::LeftButton, {}, child->rect().center());
}

ExceptionRecorder::ExceptionRecorder()
{
    Application::OnException = [this](QObject *, const std::exception &e) {
        messages << QString::fromUtf8(e.what());
    };
}

ExceptionRecorder::~ExceptionRecorder()
{
    Application::OnException = nullptr;
}

} // namespace TouchDialogs::testing
