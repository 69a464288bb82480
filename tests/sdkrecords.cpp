#include "sdkrecords.h"

#include "simcontrol.h"

#include <QFile>

namespace {

QString unescaped(const QString& text)
{
    QString result;
    result.reserve(text.size());
    for (int index = 0; index < text.size(); ++index) {
        const QChar c = text.at(index);
        if (c != QLatin1Char('\\') || index + 1 == text.size()) {
            result.append(c);
            continue;
        }
        const QChar next = text.at(++index);
        result.append(next == QLatin1Char('n')   ? QChar('\n')
                      : next == QLatin1Char('r') ? QChar('\r')
                                                 : next);
    }
    return result;
}

} // namespace

QList<SdkRecord> sdkRecords()
{
    return sdkRecords(QString::fromStdString(orvex_sim::logFilePath()));
}

QList<SdkRecord> sdkRecords(const QString& logFile)
{
    QList<SdkRecord> records;
    QFile file(logFile);
    if (!file.open(QIODevice::ReadOnly))
        return records;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray& rawLine : lines) {
        if (rawLine.isEmpty())
            continue;
        const QString line = QString::fromUtf8(rawLine);
        // time, level number, level name, then the text, which may itself hold spaces
        const int afterTime = line.indexOf(' ');
        const int afterLevel = line.indexOf(' ', afterTime + 1);
        const int afterName = line.indexOf(' ', afterLevel + 1);
        SdkRecord record;
        record.level = line.mid(afterTime + 1, afterLevel - afterTime - 1).toInt();
        record.text = afterName < 0 ? QString() : unescaped(line.mid(afterName + 1));
        records.append(record);
    }
    return records;
}
