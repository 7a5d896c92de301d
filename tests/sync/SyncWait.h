#pragma once

#include <QTest>

#include <functional>
#include <memory>
#include <optional>

// Starts an asynchronous call and spins the test's event loop until its callback has run, the way the
// program's own event loop would; nothing in the call itself may wait.
template <typename Result>
std::optional<Result> awaitResult(const std::function<void(std::function<void(const Result&)>)>& start,
                                  int timeoutMs = 60000)
{
    // Shared, so that a callback that comes after the test gave up writes nowhere harmful.
    auto result = std::make_shared<std::optional<Result>>();
    start([result](const Result& r) { *result = r; });
    // A result that never came shows as an empty optional, which the test then reports.
    const bool came = QTest::qWaitFor([result] { return result->has_value(); }, timeoutMs);
    Q_UNUSED(came);
    return *result;
}
