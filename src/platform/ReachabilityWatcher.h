#pragma once

#include "state/WakeWatcher.h"

#include <QNetworkInformation>

// Reports the network coming back: the system's reachability turning online after being
// anything else. The network-information backend is loaded on the first watch(); where
// there is none, nothing is reported.
class ReachabilityWatcher : public WakeWatcher
{
    Q_OBJECT

public:
    using WakeWatcher::WakeWatcher;

    void watch() override;

private:
    void onReachabilityChanged(QNetworkInformation::Reachability reachability);

    bool m_watching = false;
    QNetworkInformation::Reachability m_last = QNetworkInformation::Reachability::Unknown;
};
