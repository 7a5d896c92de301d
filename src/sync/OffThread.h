#pragma once

#include <QCoreApplication>
#include <QObject>
#include <QPointer>
#include <QThreadPool>

#include <memory>
#include <utility>

// Runs `work` on the program's thread pool, and `then` with what it gave on the thread of the program's
// event loop (the window's), unless `owner` has ended meanwhile. The program's thread pool is waited for
// when the program ends, so a work never outlives it. What `work` captured is freed on the pool, so that
// large copies never burden the window; `then` should capture little.
template <typename Work, typename Then>
void offThread(QObject* owner, Work work, Then then)
{
    QPointer<QObject> self(owner);
    QThreadPool::globalInstance()->start([self, work = std::move(work), then = std::move(then)]() mutable {
        auto result = std::make_shared<decltype(work())>(work());
        if (QCoreApplication* app = QCoreApplication::instance()) {
            QMetaObject::invokeMethod(
                app,
                [self, result, then] {
                    if (self)
                        then(std::move(*result));
                },
                Qt::QueuedConnection);
        }
    });
}
