#pragma once

// The exchange trace: every byte to the debug log, every request block to the
// event log with a time stamp.

#include <QByteArray>

void logSndBytes(const QByteArray &bytes);
void logRcvBytes(const QByteArray &bytes);
void logSndBlock(const QByteArray &request);
