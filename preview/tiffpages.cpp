#include "tiffpages.h"

#include "platform.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>

#include <tiffio.h>

#include <cstdarg>
#include <cstdio>

namespace {

struct Tiff {
    Q_DECLARE_TR_FUNCTIONS(TiffPages)
};

} // namespace

// libtiff writes through these procedures, so that a write that fails is known for what it is (a
// full disk, not libtiff's guess), and so that none follows it. libtiff links each page into the
// file before it writes the page's directory: the link written in place, inside what earlier
// pages hold, is remembered, so that a page whose directory fails is unlinked again.
struct TiffPages::File {
    QFile file;
    TIFF* tiff = nullptr;
    bool failed = false;
    QString why;
    qint64 goodSize = 0; // the file up to the last whole page
    qint64 linkAt = -1;  // an in-place write during the page now written
    QByteArray linkWas;

    static File& of(thandle_t handle) { return *static_cast<File*>(handle); }

    static tmsize_t read(thandle_t handle, void* data, tmsize_t size)
    {
        return tmsize_t(of(handle).file.read(static_cast<char*>(data), qint64(size)));
    }

    static tmsize_t write(thandle_t handle, void* data, tmsize_t size)
    {
        File& self = of(handle);
        if (self.failed)
            return -1;
        const qint64 at = self.file.pos();
        if (at < self.goodSize && self.linkAt < 0) {
            self.linkAt = at;
            self.linkWas = QByteArray(int(size), '\0');
        }
        // A write cut short (the disk just filled) is tried on, so that the system says why.
        const char* bytes = static_cast<const char*>(data);
        for (qint64 left = qint64(size); left > 0;) {
            const qint64 written = self.file.write(bytes, left);
            if (written <= 0) {
                self.failed = true;
                self.why = self.file.errorString();
                return -1;
            }
            bytes += written;
            left -= written;
        }
        return size;
    }

    static toff_t seek(thandle_t handle, toff_t offset, int whence)
    {
        QFile& file = of(handle).file;
        const qint64 base = whence == SEEK_CUR ? file.pos() : whence == SEEK_END ? file.size() : 0;
        const qint64 to = base + qint64(offset);
        return file.seek(to) ? toff_t(to) : toff_t(-1);
    }

    static int close(thandle_t) { return 0; }
    static toff_t size(thandle_t handle) { return toff_t(of(handle).file.size()); }
    static int map(thandle_t, void**, toff_t*) { return 0; }
    static void unmap(thandle_t, void*, toff_t) {}

    // libtiff's own complaint (a file past 4 GiB, say), kept for the message rather than printed.
    static int complain(TIFF*, void* handle, const char*, const char* format, va_list arguments)
    {
        File& self = *static_cast<File*>(handle);
        if (self.why.isEmpty()) {
            char text[512];
            std::vsnprintf(text, sizeof text, format, arguments);
            self.why = QString::fromLocal8Bit(text);
        }
        return 1;
    }
    static int ignore(TIFF*, void*, const char*, const char*, va_list) { return 1; }

    // The page that failed goes: its link undone, the file cut after the page before.
    void dropFailedPage()
    {
        if (linkAt >= 0 && file.seek(linkAt))
            file.write(linkWas);
        file.resize(goodSize);
    }
};

TiffPages::TiffPages() = default;

TiffPages::~TiffPages()
{
    close();
}

bool TiffPages::open(const QString& path, bool big, QString& error)
{
    close();
    file_ = std::make_unique<File>();
    file_->file.setFileName(path);
    // Emptied only once it is this writer's alone: another's pages are not cut from under it.
    QFile& file = file_->file;
    const bool opened = file.open(QIODevice::ReadWrite | QIODevice::Unbuffered);
    const bool held = opened && platform::holdForWriting(int(file.handle()));
    if (!held || !file.resize(0)) {
        error = opened && !held ? Tiff::tr("another recording is writing it") : file.errorString();
        file_.reset();
        return false;
    }
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, &File::complain, file_.get());
    TIFFOpenOptionsSetWarningHandlerExtR(options, &File::ignore, file_.get());
    // m: no memory mapping, which a file written as it grows cannot use.
    file_->tiff = TIFFClientOpenExt(QFile::encodeName(path).constData(), big ? "w8m" : "wm",
                                    file_.get(), &File::read, &File::write, &File::seek,
                                    &File::close, &File::size, &File::map, &File::unmap, options);
    TIFFOpenOptionsFree(options);
    if (!file_->tiff) {
        error = file_->why.isEmpty() ? Tiff::tr("not a TIFF file") : file_->why;
        file_.reset();
        return false;
    }
    file_->goodSize = file_->file.size();
    pages_ = 0;
    return true;
}

bool TiffPages::add(const cv::Mat& page, QString& error)
{
    if (!file_ || file_->failed) {
        error = file_ ? file_->why : Tiff::tr("not open");
        return false;
    }
    TIFF* tiff = file_->tiff;
    const cv::Mat whole = page.isContinuous() ? page : page.clone();
    const int bits = whole.depth() == CV_16U ? 16 : 8;
    file_->linkAt = -1;
    TIFFSetField(tiff, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, std::uint32_t(whole.cols));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, std::uint32_t(whole.rows));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, std::uint32_t(whole.rows));
    TIFFSetField(tiff, TIFFTAG_PAGENUMBER, std::uint16_t(pages_), std::uint16_t(0));
    TIFFSetField(tiff, TIFFTAG_SOFTWARE, "orvexhd-preview");
    // The pixels in the machine's byte order, which the file's header names: written as they are.
    const auto bytes = tmsize_t(whole.total() * whole.elemSize());
    if (TIFFWriteRawStrip(tiff, 0, whole.data, bytes) != bytes || !TIFFWriteDirectory(tiff)) {
        file_->failed = true;
        if (file_->why.isEmpty())
            file_->why = Tiff::tr("the page could not be written");
        error = file_->why;
        return false;
    }
    file_->goodSize = file_->file.size();
    ++pages_;
    return true;
}

void TiffPages::close()
{
    if (!file_)
        return;
    // Closing writes the directory of a page that failed: refused, as every write after a failure.
    TIFFClose(file_->tiff);
    if (file_->failed)
        file_->dropFailedPage();
    file_->file.close();
    file_.reset();
}
