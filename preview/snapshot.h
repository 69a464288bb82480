// One frame of a simulated camera or of a capture device to a PNG file, as the window shows it
// with the grey palette.
#pragma once

#include <QString>

#include <cstdint>

// The program's exit statuses, as orvexhd-cli's.
enum ExitStatus {
    Shown = 0,
    Usage = 2,
    Unreachable = 3, // no such port or device, or no answer
    Unwritten = 4,   // the snapshot or the text asked for could not be written
};

// Writes the frame at the camera's resolution, with the settings drawn over it (in colour) when
// overlays is set. On failure, error says why and the result is the exit status: Unreachable when
// the camera is not there or does not answer, Unwritten when the file cannot be written; Shown on
// success.
int writeSnapshot(const QString& port, std::int64_t frame, const QString& path, QString& error,
                  bool overlays = false);

// Writes the next picture the device sends, waiting for it at most timeoutMs. The same statuses:
// 3 when the device is not there, fails, or sends no picture in time.
int writeCaptureSnapshot(const QString& device, int timeoutMs, const QString& path, QString& error);

// The picture's bytes to path, or to standard output when path is "-". A regular file is replaced
// whole or not at all; a device or a pipe is written directly, since replacing it would put a file
// where it stood. A pipe that no program opens to read within a few seconds cannot be written.
bool writeFile(const QString& path, const QByteArray& bytes, QString& error);
