// The camera's temperatures over the SDK, once a second, through the calls the window makes: the
// port must be listed, the camera is opened on it over the serial link, and getTemperatures read;
// each is shown as the window shows it. A port that goes, or a camera that stops answering, is
// said, and the camera is opened again once it answers.
#pragma once

#include "orvex_sdk.h"

#include <QObject>
#include <QString>
#include <QTimer>

class TemperatureMonitor : public QObject
{
    Q_OBJECT

public:
    explicit TemperatureMonitor(const QString& port, QObject* parent = nullptr);
    ~TemperatureMonitor() override;

    void start();

signals:
    void temperaturesRead(const QString& text);

private:
    void tick();
    QString open();
    void close();

    QString port_;
    QTimer timer_;
    orvex_sdk::Connection* connection_ = nullptr;
    orvex_sdk::Device* device_ = nullptr;
};
