// Dates as the store and the sync folder keep them: ISO 8601 text in UTC with milliseconds
// ("2026-12-08T11:34:11.123Z"), readable by people and by SQLite's date functions, and exact for
// QDateTime.
#pragma once

#include <QDateTime>
#include <QString>

// The same text as toUTC().toString(Qt::ISODateWithMs), without going through the time zone and
// printf machinery for the years people use: it is written for every object a save or a sync touches.
QString isoDateText(const QDateTime& date);
