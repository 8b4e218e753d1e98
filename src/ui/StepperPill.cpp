#include "ui/StepperPill.h"

#include <algorithm>
#include <cmath>

namespace kelvra {

double StepperPill::clamp(double value) const {
    return std::clamp(value, minimum, maximum);
}

double StepperPill::minus(double value) const {
    return clamp(step * std::round((value - step) / step));
}

double StepperPill::plus(double value) const {
    return clamp(step * std::round((value + step) / step));
}

std::optional<double> StepperPill::reset() const {
    if (!defaultValue) return std::nullopt;
    return clamp(*defaultValue);
}

}  // namespace kelvra
