#include "tests/support/TestSupport.h"
#include "platform/forms/Application.h"
#include "platform/rtl/Exceptions.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
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
        // Shown is not enough: forms do part of their work when they are
        // activated, and a touch before that would race it.
        if (dlg && dlg != before && dlg->isVisible() && dlg->isActiveWindow()) {
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

bool writeLanguagePack(const QString &target, const QByteArray &content)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("layouts"));
    QFile data(dir.filePath(QStringLiteral("layouts/PROBE")));
    if (!data.open(QIODevice::WriteOnly) || data.write(content) < 0)
        return false;
    data.close();
    QFile qrc(dir.filePath(QStringLiteral("pack.qrc")));
    if (!qrc.open(QIODevice::WriteOnly))
        return false;
    qrc.write("<RCC><qresource prefix=\"/\"><file>layouts/PROBE</file></qresource></RCC>");
    qrc.close();
    QProcess rcc;
    rcc.start(QStringLiteral(TD_RCC_EXECUTABLE),
              {QStringLiteral("-binary"), qrc.fileName(), QStringLiteral("-o"), target});
    return rcc.waitForFinished() && rcc.exitCode() == 0;
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
