#pragma once

#include "DBusMock.h"

// The old name of a notification server mock; goes once no test uses it.
using NotificationDaemonMock = DBusMock;
