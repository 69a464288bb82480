// A simulated camera as the other programs leave it. This process's stand-in holds the camera's
// configured settings; the state file holds what the window and orvexhd-cli changed since, and is
// read again whenever it changes: once a change, here or, for a window, on a thread of its own,
// since a large file takes a while to parse. The follower sends nothing to the camera and never
// writes the file.
#pragma once

#include "camerastate.h"
#include "settings.h"
#include "simcontrol.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QString>

#include <cstdint>
#include <functional>
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
        orvex_sim::CameraSettings camera; // the same in the camera's own units
        QString source; // where the settings come from, for the status bar
        // False while the state file's first reading is still being made elsewhere: the
        // settings are not known yet.
        bool known = true;
    };

    // A reading of the state file: asked for with the file as it was then and the settings to
    // lay it over (a copy of base, or scratch with a null base), and made by parse().
    struct Kept {
        std::string port;
        QString path;
        qint64 size = 0;
        QDateTime modified;
        QDateTime readAt;
        const orvex_sim::CameraSettings* base = nullptr; // what it is laid over; null: nothing
        orvex_sim::StateFile::Reading reading = orvex_sim::StateFile::Reading::Read;
        orvex_sim::CameraSettings settings;
        QByteArray digest;    // of the bytes read, which a later reading of the same skips
        std::uint64_t change; // the follower's count of changes seen when it was asked for
    };

    explicit CameraFollower(std::string port);

    // The camera now; frame is the frame about to be made, from which a NUC seen now counts.
    Reading read(std::int64_t frame);
    // The next read reads the state file whatever its size and time say: for a watcher that saw
    // the file change. Where it is read elsewhere, that starts at once.
    void stateFileChanged()
    {
        ++changes_;
        lookAtStateFile();
    }
    // Reads the state file, or asks for it to be read, where it changed by its size and time:
    // for a watcher that saw something change about it, so that the next read finds it read.
    void lookAtStateFile() { look(); }

    // From now on a reading of the state file is handed to parser, with the reading before it,
    // which hands both to parse() on any thread and the result to parsed() on this one. Until then
    // read() goes on with the last reading; before the first, it does not know the settings.
    using Parser = std::function<void(Kept request, std::optional<Kept> before)>;
    void parseElsewhere(Parser parser) { parser_ = std::move(parser); }
    void parsed(Kept kept);
    // Lays what the state file keeps for the port over kept.settings; a file whose bytes are
    // those of the reading before (same digest) is not parsed again.
    static void parse(Kept& kept, const std::optional<Kept>& before);

    // Why the camera on port shows no picture (not plugged in, not answering); empty when it
    // answers. Reads no file.
    static QString problemOf(const std::string& port);

private:
    // The state file and the camera's settings with what it keeps laid over them, and how the
    // file was found; nothing while its first reading is made elsewhere.
    struct Look {
        QString stateFile;
        QFileInfo file;
        orvex_sim::CameraSettings camera;
        std::optional<orvex_sim::StateFile::Reading> kept;
    };
    Look look();
    // What the state file keeps for the camera over settings (a copy of base, or scratch with a
    // null base), and how it was found; nothing while the first reading is made elsewhere.
    std::optional<orvex_sim::StateFile::Reading>
    layKeptSettings(const QString& stateFile, const QFileInfo& file,
                    const orvex_sim::CameraSettings* base, orvex_sim::CameraSettings& settings);
    bool keptStillHolds(const QString& stateFile, const QFileInfo& file,
                        const orvex_sim::CameraSettings* base) const;

    std::string port_;
    std::optional<Kept> kept_;
    std::uint64_t changes_ = 0;
    Parser parser_;
    bool asked_ = false; // a reading is being made elsewhere
    std::optional<std::uint32_t> nucRequests_;
    std::optional<std::int64_t> nucFrame_;
};

// The picture's settings at a frame from the camera's, in their meaning, with the sensor's
// temperature the camera reports at that frame; nucFrame is the frame of the last NUC, if one ran
// since the preview started.
imaging::Settings imagingSettings(const orvex_sim::CameraSettings& held, std::int64_t frame,
                                  std::optional<std::int64_t> nucFrame);
