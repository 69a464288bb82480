// What every benchmark program shares: medians, the peak-memory reading, and one way of printing
// figures so that tools/bench's output reads as a table.
#pragma once

#include <QString>

#include <vector>

namespace bench {

// The lines a probe program writes for the driver that launched it.
constexpr const char firstPaintLine[] = "first-paint";
constexpr const char peakResidentPrefix[] = "peak-resident-kib ";

// Medians, because these machines are shared: one slow repetition must not move the figure.
double median(std::vector<double> values);

// This process's peak resident set in KiB (VmHWM), or -1 where the system does not tell.
long peakResidentKib();

// Says on standard output what peakResidentKib() found, in the probe protocol.
void reportPeakResident();

void heading(const QString& title);
void figure(const QString& label, const QString& value, const QString& note = QString());

QString milliseconds(double ms);
QString microseconds(double us);
QString kib(long value);
QString ratio(double numerator, double denominator);

} // namespace bench
