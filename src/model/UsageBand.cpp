#include "UsageBand.h"

namespace {

constexpr double kWarningFrom = 65;
constexpr double kCriticalFrom = 85;

} // namespace

UsageBand usageBandOf(double percent)
{
    if (percent >= kCriticalFrom)
        return UsageBand::Critical;
    if (percent >= kWarningFrom)
        return UsageBand::Warning;
    return UsageBand::Normal;
}
