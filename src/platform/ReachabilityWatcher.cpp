#include "ReachabilityWatcher.h"

void ReachabilityWatcher::watch()
{
    if (m_watching)
        return;
    m_watching = true;
    // The system's own backend first (NetworkManager on Linux), then any that knows
    // reachability.
    if (!QNetworkInformation::instance() && !QNetworkInformation::loadDefaultBackend() &&
        !QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability))
        return;
    QNetworkInformation* information = QNetworkInformation::instance();
    m_last = information->reachability();
    connect(information, &QNetworkInformation::reachabilityChanged, this,
            &ReachabilityWatcher::onReachabilityChanged);
}

void ReachabilityWatcher::onReachabilityChanged(QNetworkInformation::Reachability reachability)
{
    const bool cameBack = reachability == QNetworkInformation::Reachability::Online &&
                          m_last != QNetworkInformation::Reachability::Online;
    m_last = reachability;
    if (cameBack)
        emit woke();
}
