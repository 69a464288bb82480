// Pictures as the pages of one TIFF file, each added as it comes: 8-bit or 16-bit grey,
// uncompressed, so that a page costs little more than writing its bytes and every TIFF reader
// reads it. A page that cannot be written whole (a disk that fills) is left out, and nothing is
// written after it: the file ends with the page before, as a file of that many pages.
#pragma once

#include <QString>

#include <opencv2/core.hpp>

#include <memory>

class TiffPages
{
public:
    TiffPages();
    ~TiffPages();
    TiffPages(const TiffPages&) = delete;
    TiffPages& operator=(const TiffPages&) = delete;

    // Creates path, or replaces what it holds. big: BigTIFF, whose 64-bit offsets reach past the
    // 4 GiB that a classic TIFF file holds.
    bool open(const QString& path, bool big, QString& error);
    // A CV_8UC1 or CV_16UC1 picture as the next page.
    bool add(const cv::Mat& page, QString& error);
    void close();

    int pages() const { return pages_; }

private:
    struct File;
    std::unique_ptr<File> file_;
    int pages_ = 0;
};
