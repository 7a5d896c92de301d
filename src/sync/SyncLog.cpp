#include "sync/SyncLog.h"

Q_LOGGING_CATEGORY(lcSync, "zentravio.sync", QtWarningMsg)
