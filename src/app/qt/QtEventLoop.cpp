#include "app/qt/QtEventLoop.h"

#include "base/HandlerDispatch.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace ondrevo {

void QtEventLoop::Post(Task task)
{
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [task = std::move(task)] { Dispatch(task); }, Qt::QueuedConnection);
}

void QtEventLoop::Run()
{
    QCoreApplication::exec();
}

void QtEventLoop::Quit()
{
    // Queued behind what is already waiting, so those events are still handled.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
}

} // namespace ondrevo
