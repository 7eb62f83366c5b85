#include "UsageBand.h"

UsageBand usageBandOf(qint64 percent)
{
    if (percent >= 85)
        return UsageBand::Critical;
    if (percent >= 65)
        return UsageBand::Warning;
    return UsageBand::Normal;
}
