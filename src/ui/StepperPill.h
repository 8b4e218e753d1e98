#pragma once

#include <optional>

namespace kelvra {

// The arithmetic of the stepper pill: minus and plus move to the neighbouring multiple
// of the step, a double click on the value goes back to the default; every result
// stays inside the closed range (the settings store itself does not clamp).
struct StepperPill {
    double minimum = 0;
    double maximum = 1;
    double step = 1;
    std::optional<double> defaultValue;

    double clamp(double value) const;
    double minus(double value) const;
    double plus(double value) const;
    // None when the pill has no default.
    std::optional<double> reset() const;
};

}  // namespace kelvra
