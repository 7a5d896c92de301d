#pragma once

#include <QLoggingCategory>

// The sync's requests and decisions, quiet unless turned on with
// QT_LOGGING_RULES="zentravio.sync.debug=true". A line names events by their place on the server and their
// UID, never by a password or an entry's text.
Q_DECLARE_LOGGING_CATEGORY(lcSync)
