#include "UsageBand.h"

UsageBand usageBandOf(double percent)
{
    if (percent >= kUsageCriticalFrom)
        return UsageBand::Critical;
    if (percent >= kUsageWarningFrom)
        return UsageBand::Warning;
    return UsageBand::Normal;
}
