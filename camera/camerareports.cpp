#include "camerareports.h"

#include "settingstable.h"

#include <QThread>

namespace camera {

std::string firmwareVersionText(std::uint16_t version)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (int shift = 12; shift >= 0; shift -= 4) {
        text += digits[(version >> shift) & 0xFu];
        if (shift > 0)
            text += '.';
    }
    return text;
}

float celsius(float milliKelvin)
{
    return (milliKelvin - 273000.0f) / 1000.0f;
}

double shownCelsius(float milliKelvin)
{
    return QString::number(double(celsius(milliKelvin)), 'g', 6).toDouble();
}

QString temperatureText(float milliKelvin)
{
    return QString::number(shownCelsius(milliKelvin), 'g', 6) + QStringLiteral(" C");
}

bool writeSerialNumber(orvex_sdk::Device& device, std::uint32_t serialNumber, bool forced)
{
    const Setting& row = setting(Key::SerialNumber);
    if (!forced)
        return send(row, device, double(serialNumber));
    constexpr int attempts = 18;
    constexpr unsigned long pauseMs = 10;
    bool accepted = false;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        accepted = send(row, device, double(serialNumber));
        QThread::msleep(pauseMs);
    }
    return accepted;
}

const Texts& serialNumberTexts(bool forced)
{
    return forced ? texts::forcedSerialNumberWrite : texts::serialNumberWrite;
}

} // namespace camera
