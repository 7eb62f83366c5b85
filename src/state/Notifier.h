#pragma once

#include <QString>

// Posts desktop notifications. Posting returns at once; its outcome is never examined.
class Notifier
{
public:
    virtual ~Notifier() = default;

    // A later post with the same identifier replaces the earlier notification.
    virtual void post(const QString& identifier, const QString& title, const QString& body) = 0;

    // Asks the notification service to get ready; the answer is ignored.
    virtual void requestPermission() = 0;
};
