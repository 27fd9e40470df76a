#pragma once

#include "sorting/Clock.h"

#include <QDateTime>

namespace bp::test {

// A clock that stands still until the test moves it.
class FakeClock final : public Clock {
public:
    QDateTime now() const override { return current; }
    QDateTime current = QDateTime::currentDateTimeUtc();
};

} // namespace bp::test
