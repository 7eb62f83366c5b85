#pragma once

#include "StatusReading.h"
#include "service/ZelvikApiService.h"
#include "storage/CredentialStore.h"

#include <QCoroTask>

// Fetches the usage report of the stored session, as the tray's refresh does, but only
// reads: a refused session is reported and left in place for the tray program to clear.
class StatusReader
{
public:
    StatusReader(const QString& dataFolder, const QString& serviceOrigin);

    QCoro::Task<StatusReading> read();

    static QString noSessionText(); // "Nessuna sessione: accedi da Pallowe."

private:
    CredentialStore m_credentials;
    ZelvikApiService m_api;
};
