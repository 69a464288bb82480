// Writes the product mark as the PNG files of a freedesktop icon theme, one per size:
//   orvexhd_appicon ICON_FILE THEME_FOLDER ICON_NAME SIZE...
// writes THEME_FOLDER/<SIZE>x<SIZE>/apps/ICON_NAME.png. Each size is scaled from the smallest
// frame of the icon file that is at least as large, so that a frame drawn for a size is used as
// drawn and the others lose the least detail.
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

std::vector<QImage> readFrames(const QString& path)
{
    std::vector<QImage> frames;
    QImageReader reader(path);
    do {
        const QImage frame = reader.read();
        if (frame.isNull())
            break;
        frames.push_back(frame);
    } while (reader.jumpToNextImage());
    return frames;
}

const QImage& sourceFor(const std::vector<QImage>& frames, int size)
{
    const auto narrower = [](const QImage& a, const QImage& b) {
        return a.width() < b.width();
    };
    const QImage* smallestLargeEnough = nullptr;
    for (const QImage& frame : frames) {
        if (frame.width() >= size &&
            (!smallestLargeEnough || narrower(frame, *smallestLargeEnough)))
            smallestLargeEnough = &frame;
    }
    if (smallestLargeEnough)
        return *smallestLargeEnough;
    return *std::max_element(frames.begin(), frames.end(), narrower);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() < 5) {
        std::fprintf(stderr, "usage: orvexhd_appicon ICON_FILE THEME_FOLDER ICON_NAME SIZE...\n");
        return 2;
    }
    const std::vector<QImage> frames = readFrames(arguments[1]);
    if (frames.empty()) {
        std::fprintf(stderr, "orvexhd_appicon: %s holds no image that Qt can read\n",
                     qPrintable(arguments[1]));
        return 1;
    }
    const QDir theme(arguments[2]);
    for (const QString& sizeText : arguments.mid(4)) {
        const int size = sizeText.toInt();
        if (size <= 0) {
            std::fprintf(stderr, "orvexhd_appicon: %s is no icon size\n", qPrintable(sizeText));
            return 2;
        }
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        const QString path = theme.filePath(folder + QLatin1Char('/') + arguments[3] + ".png");
        const QImage image =
            sourceFor(frames, size)
                .scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (!theme.mkpath(folder) || !image.save(path)) {
            std::fprintf(stderr, "orvexhd_appicon: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
