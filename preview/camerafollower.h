// A simulated camera as the other programs leave it. This process's stand-in holds the camera's
// configured settings; the state file holds what the window and orvexhd-cli changed since, and is
// read again whenever it changes. The follower sends nothing to the camera and never writes the
// file.
#pragma once

#include "camerastate.h"
#include "settings.h"
#include "simcontrol.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>

class CameraFollower
{
    Q_DECLARE_TR_FUNCTIONS(CameraFollower)

public:
    struct Reading {
        bool answers = false;
        QString problem; // why there is no picture, when the camera does not answer
        imaging::Settings settings;
        QString source; // where the settings come from, for the status bar
    };

    explicit CameraFollower(std::string port);

    // The camera now; frame is the frame about to be made, from which a NUC seen now counts.
    Reading read(std::int64_t frame);
    // The next read parses the state file whatever its size and time say: for a watcher that saw
    // the file change.
    void stateFileChanged() { kept_.reset(); }

private:
    // What the state file kept when it was last read, and what it was then.
    struct Kept {
        QString path;
        qint64 size = 0;
        QDateTime modified;
        QDateTime readAt;
        const orvex_sim::CameraSettings* base = nullptr; // what it was laid over; null: nothing
        orvex_sim::StateFile::Reading reading = orvex_sim::StateFile::Reading::Read;
        orvex_sim::CameraSettings settings;
    };

    // Lays what the state file keeps for the camera over settings, a copy of base; with a null
    // base the settings are scratch, read only to learn how the file is. Says how it was found.
    orvex_sim::StateFile::Reading layKeptSettings(const QString& stateFile, const QFileInfo& file,
                                                  const orvex_sim::CameraSettings* base,
                                                  orvex_sim::CameraSettings& settings);
    bool keptStillHolds(const QString& stateFile, const QFileInfo& file,
                        const orvex_sim::CameraSettings* base) const;

    std::string port_;
    std::optional<Kept> kept_;
    std::optional<std::uint32_t> nucRequests_;
    std::optional<std::int64_t> nucFrame_;
};

// The picture's settings at a frame from the camera's, in their meaning, with the sensor's
// temperature the camera reports at that frame; nucFrame is the frame of the last NUC, if one ran
// since the preview started.
imaging::Settings imagingSettings(const orvex_sim::CameraSettings& held, std::int64_t frame,
                                  std::optional<std::int64_t> nucFrame);
