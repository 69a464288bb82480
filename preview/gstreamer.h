// What GStreamer tells without taking video from a device: whether a pipeline description can run
// here, and which capture devices there are, with their formats. Listing asks each device what it
// offers, as any device list does; it never starts a stream or changes a device's format.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Why description is no pipeline the preview can take frames from (it does not parse, nothing in
// it hands frames to the program, or the caps just before its appsink name a format the preview
// does not read); empty when it is one. What reaches the appsink once it runs is read as it comes.
QString pipelineProblem(const QString& description);

// The capture devices, each a line with its name and where it is, followed by a line for each of
// its formats. No lines when there are none; false, with why in error, when there is no listing.
bool listCaptureDevices(QStringList& lines, QString& error);

// Whether the device at path is among the capture devices: nothing when there is no listing.
std::optional<bool> listsCaptureDevice(const QString& path);

// Whether GStreamer started in this process, where it starts at the first need; why not.
bool gstreamerReady(QString& error);

// A line for each format in caps (GStreamer caps as text): "GRAY16_LE 640×512 at 30, 60 fps".
QStringList formatLines(const QString& caps);
