#include "ReachabilityWatcher.h"

void ReachabilityWatcher::watch()
{
    if (m_watching)
        return;
    m_watching = true;
    // Only the system's own backend (NetworkManager on Linux): the GLib one, the fallback
    // elsewhere, costs more memory than the whole panel for a refresh a few minutes early.
    if (!QNetworkInformation::instance() && !QNetworkInformation::loadDefaultBackend())
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
