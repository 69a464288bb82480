#include "measure.h"

#include <QtGlobal>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

namespace bench {

double median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    if (values.size() % 2 == 1)
        return values[middle];
    return (values[middle - 1] + values[middle]) / 2.0;
}

long peakResidentKib()
{
#ifdef Q_OS_LINUX
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    }
#endif
    return -1;
}

void reportPeakResident()
{
    const long peak = peakResidentKib();
    if (peak < 0)
        std::printf("%sn/a\n", peakResidentPrefix);
    else
        std::printf("%s%ld\n", peakResidentPrefix, peak);
    std::fflush(stdout);
}

void heading(const QString& title)
{
    std::printf("\n== %s\n", qPrintable(title));
}

void figure(const QString& label, const QString& value, const QString& note)
{
    std::printf("  %-40s %14s", qPrintable(label), qPrintable(value));
    if (!note.isEmpty())
        std::printf("   %s", qPrintable(note));
    std::printf("\n");
    std::fflush(stdout);
}

QString milliseconds(double ms)
{
    return QString::number(ms, 'f', 2) + QStringLiteral(" ms");
}

QString microseconds(double us)
{
    return QString::number(us, 'f', 2) + QStringLiteral(" us");
}

QString kib(long value)
{
    if (value < 0)
        return QStringLiteral("n/a");
    return QString::number(double(value) / 1024.0, 'f', 1) + QStringLiteral(" MiB");
}

QString ratio(double numerator, double denominator)
{
    if (numerator < 0 || denominator <= 0)
        return QStringLiteral("n/a");
    return QString::number(numerator / denominator, 'f', 2) + QStringLiteral(" x");
}

} // namespace bench
