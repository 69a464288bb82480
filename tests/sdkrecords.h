// The stand-in SDK's log, read back record by record: what the window handed to SDKLogger.
#pragma once

#include <QList>
#include <QString>

struct SdkRecord {
    int level = -1;
    QString text; // line feeds and backslashes restored
};

// Every record in the stand-in's log file, oldest first.
QList<SdkRecord> sdkRecords();
// The records of one log file (records are "time level name text", one per line).
QList<SdkRecord> sdkRecords(const QString& logFile);
