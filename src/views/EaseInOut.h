#pragma once

#include <QEasingCurve>

#include <chrono>

namespace bp {

// The one motion of the onboarding: 0.22 s on the standard ease-in-out timing curve.
inline constexpr std::chrono::milliseconds easeInOutDuration{220};

inline QEasingCurve easeInOut()
{
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0.42, 0.0), QPointF(0.58, 1.0), QPointF(1.0, 1.0));
    return curve;
}

} // namespace bp
