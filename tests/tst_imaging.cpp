// The simulated camera's video on its own: each setting does to the picture what its stage is for,
// each tap shows the stage it names, the detector finds the warm objects, and a frame number with
// its settings always gives the same picture.
#include "captured.h"
#include "measurement.h"
#include "overlays.h"
#include "pipeline.h"
#include "tone.h"

#include <opencv2/imgproc.hpp>

#include <QTest>

#include <climits>
#include <cmath>
#include <functional>
#include <limits>

using imaging::Picture;
using imaging::Settings;
using Change = std::function<void(Settings&)>;
using Property = std::function<bool(const Picture& before, const Picture& after)>;
Q_DECLARE_METATYPE(Change)
Q_DECLARE_METATYPE(Property)

namespace {

constexpr std::int64_t frame = 0;

double mean(const cv::Mat& levels)
{
    return cv::mean(levels)[0];
}

// Fine detail: how much neighbouring pixels differ, on average.
double detail(const cv::Mat& levels)
{
    cv::Mat difference;
    cv::absdiff(levels.colRange(1, levels.cols), levels.colRange(0, levels.cols - 1), difference);
    return mean(difference);
}

// Stripes: how much the means of neighbouring columns differ.
double stripes(const cv::Mat& levels)
{
    cv::Mat columns;
    cv::reduce(levels, columns, 0, cv::REDUCE_AVG, CV_64F);
    return detail(columns);
}

// How far the levels' distribution is from an even one over 0 to 255 (0: even, 1: one level).
double unevenness(const cv::Mat& levels)
{
    cv::Mat histogram;
    const int size = 256;
    const float range[] = {0, 256};
    const float* ranges[] = {range};
    const int channel = 0;
    cv::calcHist(&levels, 1, &channel, cv::Mat(), histogram, 1, &size, ranges);
    double below = 0.0;
    double farthest = 0.0;
    for (int level = 0; level < size; ++level) {
        below += histogram.at<float>(level) / double(levels.total());
        farthest = std::max(farthest, std::fabs(below - (level + 1) / 256.0));
    }
    return farthest;
}

double cornersBelowCentre(const cv::Mat& levels)
{
    const cv::Size patch(64, 64);
    const cv::Point farCorner(levels.cols - patch.width, levels.rows - patch.height);
    const double corners =
        (mean(levels(cv::Rect({0, 0}, patch))) + mean(levels(cv::Rect(farCorner, patch)))) / 2.0;
    const cv::Point centre(levels.cols / 2 - 32, levels.rows / 2 - 32);
    return mean(levels(cv::Rect(centre, patch))) - corners;
}

bool same(const cv::Mat& a, const cv::Mat& b)
{
    return a.size() == b.size() && cv::norm(a, b, cv::NORM_INF) == 0.0;
}

// The picture magnified by factor about the top left of window: after(x, y) is before(x / factor).
bool magnifies(const cv::Mat& before, const cv::Mat& after, cv::Rect window, int factor)
{
    for (int y = 0; y < window.height; y += 7) {
        for (int x = 0; x < window.width; x += 7) {
            if (after.at<std::uint8_t>(y * factor, x * factor) !=
                before.at<std::uint8_t>(window.y + y, window.x + x))
                return false;
        }
    }
    return true;
}

// How far apart the darkest and brightest levels are.
double spread(const cv::Mat& levels)
{
    double darkest = 0.0;
    double brightest = 0.0;
    cv::minMaxLoc(levels, &darkest, &brightest);
    return brightest - darkest;
}

bool differ(const Picture& before, const Picture& after)
{
    return !same(before.levels, after.levels);
}

const cv::Rect sky(0, 0, 1280, 300);
const cv::Rect roi(5, 5, 1271, 1015); // the camera's default, its bounds included

// A ROI's histogram: pixels of each count from low to high, and a few outliers at both ends.
imaging::Histogram evenHistogram(int low, int high, int each, int outliers)
{
    imaging::Histogram bins(65536, 0);
    for (int count = low; count <= high; ++count)
        bins[std::size_t(count)] = each;
    bins[0] += outliers;
    bins[16000] += outliers;
    return bins;
}

} // namespace

class ImagingTest : public QObject
{
    Q_OBJECT

private slots:
    void settingDoesWhatItsStageIsFor_data();
    void settingDoesWhatItsStageIsFor();
    void tapShowsTheStageItNames_data();
    void tapShowsTheStageItNames();
    void detectorFindsTheWarmObjects_data();
    void detectorFindsTheWarmObjects();
    void valueBeyondItsRangeActsAsTheNearestAccepted_data();
    void valueBeyondItsRangeActsAsTheNearestAccepted();
    void probeAndBoxesFollowTheZoomAndFlips_data();
    void probeAndBoxesFollowTheZoomAndFlips();
    void contrastSpreadsTheRoisRange_data();
    void contrastSpreadsTheRoisRange();
    void toneIsTheMappingThatMadeTheLevels_data();
    void toneIsTheMappingThatMadeTheLevels();
    void sameFrameAndSettingsGiveTheSamePicture();
    void capturedFrameShowsItsBrightness_data();
    void capturedFrameShowsItsBrightness();

private:
    imaging::Pipeline pipeline_;
};

void ImagingTest::settingDoesWhatItsStageIsFor_data()
{
    QTest::addColumn<Change>("base");
    QTest::addColumn<Change>("change");
    QTest::addColumn<Property>("holds");
    const Change none = [](Settings&) {
    };
    const Change shutter = [](Settings& s) {
        s.shutterClosed = true;
    };
    const auto row = [](const char* name, Change base, Change change, Property holds) {
        QTest::newRow(name) << base << change << holds;
    };

    const Property inverts = [](const Picture& b, const Picture& a) {
        cv::Mat sum;
        cv::add(b.levels, a.levels, sum, cv::noArray(), CV_16U);
        return cv::countNonZero(sum != 255) == 0;
    };
    const Change inverted = [](Settings& s) {
        s.polarity = true;
    };
    row("polarity inverts", none, inverted, inverts);
    row(
        "horizontal flip mirrors exactly", none, [](Settings& s) { s.horizontalFlip = true; },
        [](const Picture& b, const Picture& a) {
            cv::Mat mirrored;
            cv::flip(b.levels, mirrored, 1);
            return same(mirrored, a.levels);
        });
    row(
        "vertical flip mirrors exactly", none, [](Settings& s) { s.verticalFlip = true; },
        [](const Picture& b, const Picture& a) {
            cv::Mat mirrored;
            cv::flip(b.levels, mirrored, 0);
            return same(mirrored, a.levels);
        });
    row(
        "zoom 2 magnifies about the centre", none, [](Settings& s) { s.zoomFactor = 2.0; },
        [](const Picture& b, const Picture& a) {
            return magnifies(b.levels, a.levels, {320, 256, 640, 512}, 2);
        });
    row(
        "zoom 8 at a corner stays inside the picture", none,
        [](Settings& s) {
            s.zoomFactor = 8.0;
            s.zoomXCenter = 0;
            s.zoomYCenter = 0;
        },
        [](const Picture& b, const Picture& a) {
            return magnifies(b.levels, a.levels, {0, 0, 160, 128}, 8);
        });
    row(
        "NUC off raises the pixel-to-pixel variation", none, [](Settings& s) { s.nucState = 0; },
        [](const Picture& b, const Picture& a) { return detail(a.levels) > 2 * detail(b.levels); });
    row(
        "BPR off leaves stuck pixels", none, [](Settings& s) { s.bprCorrection = false; },
        [](const Picture& b, const Picture& a) {
            cv::Mat medians;
            cv::medianBlur(b.levels, medians, 3);
            const auto outliers = [&](const cv::Mat& levels) {
                cv::Mat difference;
                cv::absdiff(levels, medians, difference);
                return cv::countNonZero(difference > 100);
            };
            return outliers(a.levels) > 10 * (outliers(b.levels) + 1);
        });
    row(
        "column correction off raises the variance of column means", none,
        [](Settings& s) { s.columnCorrection = false; },
        [](const Picture& b, const Picture& a) {
            return stripes(a.levels) > 3 * stripes(b.levels);
        });
    row(
        "vignetting correction off darkens the corners", shutter,
        [](Settings& s) { s.vignettingCorrection = false; },
        [](const Picture& b, const Picture& a) {
            return cornersBelowCentre(a.levels) > 40 &&
                   std::fabs(cornersBelowCentre(b.levels)) < 20;
        });
    row(
        "sharpening raises the fine detail", [](Settings& s) { s.sharpening = 0.0; },
        [](Settings& s) { s.sharpening = 4.0; },
        [](const Picture& b, const Picture& a) {
            return detail(a.levels) > 1.5 * detail(b.levels);
        });
    row(
        "CLHE spreads the histogram of the ROI", [](Settings& s) { s.clhe = 0; },
        [](Settings& s) { s.clhe = 30000; },
        [](const Picture& b, const Picture& a) {
            return unevenness(a.levels) < unevenness(b.levels) / 2;
        });
    row(
        "CLHE 30000 equalises more than 300", [](Settings& s) { s.clhe = 300; },
        [](Settings& s) { s.clhe = 30000; },
        [](const Picture& b, const Picture& a) {
            return unevenness(a.levels(roi)) < 0.8 * unevenness(b.levels(roi));
        });
    row(
        "a ROI on the sky spreads the sky", none,
        [](Settings& s) {
            s.roi = {5, 5, 1275, 295};
        },
        [](const Picture& b, const Picture& a) {
            return unevenness(a.levels(sky)) < unevenness(b.levels(sky)) / 2;
        });
    row(
        "CLAHE in tiles raises the sky's local contrast", none,
        [](Settings& s) { s.contrastType = 1; },
        [](const Picture& b, const Picture& a) {
            return detail(a.levels(sky)) > detail(b.levels(sky));
        });
    row(
        "CLAHE 30000 raises the local contrast more than 300",
        [](Settings& s) {
            s.contrastType = 1;
            s.clhe = 300;
        },
        [](Settings& s) { s.clhe = 30000; },
        [](const Picture& b, const Picture& a) {
            return detail(a.levels) > 1.25 * detail(b.levels);
        });
    row(
        "gamma 2.5 brightens", none, [](Settings& s) { s.gamma = 2.5; },
        [](const Picture& b, const Picture& a) { return mean(a.levels) > mean(b.levels) + 20; });
    row(
        "gamma 0.5 darkens", none, [](Settings& s) { s.gamma = 0.5; },
        [](const Picture& b, const Picture& a) { return mean(a.levels) < mean(b.levels) - 20; });
    row("a closed shutter shows a flat field", none, shutter,
        [](const Picture& b, const Picture& a) {
            const auto skyBelowGround = [](const cv::Mat& counts) {
                return mean(counts(cv::Rect(0, 700, 1280, 300))) - mean(counts(sky));
            };
            return skyBelowGround(b.counts) > 1000 && std::fabs(skyBelowGround(a.counts)) < 100;
        });
    row(
        "TINT scales the response to the scene", [](Settings& s) { s.tint = 0; },
        [](Settings& s) { s.tint = 2; },
        [](const Picture& b, const Picture& a) {
            cv::Scalar meanBefore, spreadBefore, meanAfter, spreadAfter;
            cv::meanStdDev(b.counts, meanBefore, spreadBefore);
            cv::meanStdDev(a.counts, meanAfter, spreadAfter);
            return spreadAfter[0] > 2 * spreadBefore[0];
        });
    row(
        "a warmer sensor raises the raw offsets", none, [](Settings& s) { s.sensorKelvin += 1.0; },
        [](const Picture& b, const Picture& a) { return mean(a.counts) > mean(b.counts) + 300; });
    // Two settings together.
    row(
        "polarity inverts under gamma", [](Settings& s) { s.gamma = 1.7; }, inverted, inverts);
    row(
        "polarity inverts under CLAHE", [](Settings& s) { s.contrastType = 1; }, inverted, inverts);
    row(
        "a ROI on the sky spreads the sky under CLAHE too", [](Settings& s) { s.contrastType = 1; },
        [](Settings& s) {
            s.roi = {5, 5, 1275, 295};
        },
        [](const Picture& b, const Picture& a) {
            return unevenness(a.levels(sky)) < unevenness(b.levels(sky));
        });
    // The ROI's bounds are its own: one row, or one column, spreads over every level.
    row(
        "a ROI of one row spreads that row", none,
        [](Settings& s) {
            s.roi = {5, 600, 1275, 600};
        },
        [](const Picture&, const Picture& a) { return spread(a.levels.row(600)) >= 250; });
    row(
        "a ROI of one column spreads that column", none,
        [](Settings& s) {
            s.roi = {640, 5, 640, 1019};
        },
        [](const Picture&, const Picture& a) {
            return spread(a.levels(cv::Rect(640, 5, 1, 1015))) >= 250;
        });
    // Each end of a range is a value of its own, not the one next to it.
    row(
        "TINT 7, the most", [](Settings& s) { s.tint = 6; }, [](Settings& s) { s.tint = 7; },
        [](const Picture& b, const Picture& a) { return !same(b.counts, a.counts); });
    row(
        "gamma 2.5, the most", [](Settings& s) { s.gamma = 2.4; },
        [](Settings& s) { s.gamma = 2.5; }, differ);
    row(
        "gamma 0.5, the least", [](Settings& s) { s.gamma = 0.6; },
        [](Settings& s) { s.gamma = 0.5; }, differ);
    row(
        "sharpening 4, the most", [](Settings& s) { s.sharpening = 3.8; },
        [](Settings& s) { s.sharpening = 4.0; }, differ);
    row(
        "zoom 8, the most", [](Settings& s) { s.zoomFactor = 7.5; },
        [](Settings& s) { s.zoomFactor = 8.0; }, differ);
    row(
        "CLHE 30000, the most", [](Settings& s) { s.clhe = 29000; },
        [](Settings& s) { s.clhe = 30000; }, differ);
    // Every mode of a setting with several.
    row(
        "bilinear zoom smooths nearest's steps", [](Settings& s) { s.zoomFactor = 4.0; },
        [](Settings& s) { s.zoomMethod = 1; },
        [](const Picture& b, const Picture& a) {
            // Nearest shows each step between sensor pixels whole, bilinear a quarter of it a
            // pixel.
            const auto largestStep = [](const cv::Mat& levels) {
                cv::Mat difference;
                cv::absdiff(levels.colRange(1, levels.cols), levels.colRange(0, levels.cols - 1),
                            difference);
                return spread(difference);
            };
            return largestStep(a.levels) < largestStep(b.levels) / 2;
        });
    row(
        "NUC state 1 corrects as 2 does", none, [](Settings& s) { s.nucState = 1; },
        [](const Picture& b, const Picture& a) { return same(b.levels, a.levels); });
    // Warmed by 0.4 K since the tables were measured, the offsets have drifted apart.
    row(
        "a NUC re-zeroes the drift of the offsets", [](Settings& s) { s.sensorKelvin += 0.4; },
        [](Settings& s) { s.tablesKelvin = s.sensorKelvin; },
        [](const Picture& b, const Picture& a) {
            return detail(a.levels(sky)) < 0.7 * detail(b.levels(sky));
        });
}

void ImagingTest::settingDoesWhatItsStageIsFor()
{
    QFETCH(Change, base);
    QFETCH(Change, change);
    QFETCH(Property, holds);
    Settings settings;
    base(settings);
    const Picture before = pipeline_.render(frame, settings);
    change(settings);
    const Picture after = pipeline_.render(frame, settings);
    QVERIFY(holds(before, after));
}

void ImagingTest::tapShowsTheStageItNames_data()
{
    QTest::addColumn<int>("tap");
    QTest::addColumn<Change>("change");
    QTest::addColumn<bool>("shows");
    using imaging::Tap;
    const Change nucOff = [](Settings& s) {
        s.nucState = 0;
    };
    const Change columnsOff = [](Settings& s) {
        s.columnCorrection = false;
    };
    const Change vignettingOff = [](Settings& s) {
        s.vignettingCorrection = false;
    };
    const Change sharper = [](Settings& s) {
        s.sharpening = 4.0;
    };
    const Change inverted = [](Settings& s) {
        s.polarity = true;
    };
    const Change zoomed = [](Settings& s) {
        s.zoomFactor = 2.0;
    };
    const Change flipped = [](Settings& s) {
        s.horizontalFlip = true;
    };
    const Change boxesDrawn = [](Settings& s) {
        s.detector.outputType = 2;
    };
    const auto row = [](const char* name, Tap tap, Change change, bool shows) {
        QTest::newRow(name) << int(tap) << change << shows;
    };
    row("RAW before the NUC", Tap::Raw, nucOff, false);
    row("RAW without the detector's boxes", Tap::Raw, boxesDrawn, false);
    row("NUC", Tap::Nuc, nucOff, true);
    row("NUC before the column correction", Tap::Nuc, columnsOff, false);
    row("COLUMN CORRECTION", Tap::ColumnCorrection, columnsOff, true);
    row("COLUMN CORRECTION before the vignetting", Tap::ColumnCorrection, vignettingOff, false);
    row("VIGNETTING CORRECTION", Tap::VignettingCorrection, vignettingOff, true);
    row("VIGNETTING CORRECTION before the edges", Tap::VignettingCorrection, sharper, false);
    row("EDGE ENHANCEMENT", Tap::EdgeEnhancement, sharper, true);
    row("EDGE ENHANCEMENT before the LUT", Tap::EdgeEnhancement, inverted, false);
    row("LUT CORRECTION", Tap::LutCorrection, inverted, true);
    row("LUT CORRECTION before the zoom", Tap::LutCorrection, zoomed, false);
    row("RESERVED passes the LUT's picture", Tap::Reserved, inverted, true);
    row("ZOOM", Tap::Zoom, zoomed, true);
    row("ZOOM before the flips", Tap::Zoom, flipped, false);
    row("BT656/SDI", Tap::Output, flipped, true);
}

void ImagingTest::tapShowsTheStageItNames()
{
    QFETCH(int, tap);
    QFETCH(Change, change);
    QFETCH(bool, shows);
    Settings settings;
    settings.videoOutput = tap;
    const Picture before = pipeline_.render(frame, settings);
    QCOMPARE(before.levels.size(), cv::Size(imaging::sensorWidth, imaging::sensorHeight));
    change(settings);
    const Picture after = pipeline_.render(frame, settings);
    QCOMPARE(!same(before.levels, after.levels), shows);
}

void ImagingTest::detectorFindsTheWarmObjects_data()
{
    QTest::addColumn<Change>("change");
    QTest::addColumn<int>("boxes"); // -1: one for each warm object, on it
    // The picture the detector looks at, where it is the whole sensor's: each box's top left
    // corner lies on its grid of pixels.
    QTest::addColumn<QSize>("seen");
    const auto row = [](const char* name, Change change, int boxes, QSize seen = QSize()) {
        QTest::newRow(name) << change << boxes << seen;
    };
    row("a box on each warm object", [](Settings&) {}, -1, {416, 416});
    row(
        "as many boxes as max boxes", [](Settings& s) { s.detector.sensitivity = 100; }, 10);
    row(
        "max boxes 2",
        [](Settings& s) {
            s.detector.sensitivity = 100;
            s.detector.maxBoxes = 2;
        },
        2);
    row(
        "max boxes 0", [](Settings& s) { s.detector.maxBoxes = 0; }, 0);
    row(
        "resize mode 0: detector off", [](Settings& s) { s.detector.resizeMode = 0; }, 0);
    row(
        "resize mode 2: the centred square", [](Settings& s) { s.detector.resizeMode = 2; }, -1);
    row("resize mode 3: the whole, its aspect ratio kept",
        [](Settings& s) { s.detector.resizeMode = 3; }, -1, {416, 332});
    row(
        "resize mode 4: the centre only", [](Settings& s) { s.detector.resizeMode = 4; }, 1);
    row(
        "output type 0: detector off", [](Settings& s) { s.detector.outputType = 0; }, 0);
    row(
        "a camera without detector", [](Settings& s) { s.detector.fitted = false; }, 0);
    row(
        "no object behind the closed shutter", [](Settings& s) { s.shutterClosed = true; }, 0);
}

void ImagingTest::detectorFindsTheWarmObjects()
{
    QFETCH(Change, change);
    QFETCH(int, boxes);
    QFETCH(QSize, seen);
    Settings settings;
    settings.detector.outputType = 3;
    change(settings);
    const Picture picture = pipeline_.render(frame, settings);
    for (const cv::Rect& box : picture.detections) {
        if (seen.isEmpty())
            break;
        const auto onGrid = [](int sensor, int whole, int side) {
            const auto pixel = int(std::lround(double(sensor) * side / whole));
            return pixel * whole / side == sensor;
        };
        QVERIFY(onGrid(box.x, imaging::sensorWidth, seen.width()));
        QVERIFY(onGrid(box.y, imaging::sensorHeight, seen.height()));
    }
    if (boxes >= 0) {
        QCOMPARE(int(picture.detections.size()), boxes);
        return;
    }
    const std::vector<cv::Rect> objects = pipeline_.scene().warmObjects(frame);
    QVERIFY(objects.size() >= 4);
    QCOMPARE(picture.detections.size(), objects.size());
    for (const cv::Rect& object : objects) {
        const auto onIt = [&](const cv::Rect& box) {
            const cv::Point centre = (box.tl() + box.br()) / 2;
            return object.contains(centre);
        };
        QCOMPARE(std::count_if(picture.detections.begin(), picture.detections.end(), onIt), 1);
    }
    // Drawn in the picture and listed, as the output type says.
    QVERIFY(picture.detectionsListed);
    settings.detector.outputType = 1;
    QVERIFY(!same(pipeline_.render(frame, settings).levels, picture.levels));
    settings.detector.outputType = 2;
    QVERIFY(!pipeline_.render(frame, settings).detectionsListed);
}

void ImagingTest::valueBeyondItsRangeActsAsTheNearestAccepted_data()
{
    QTest::addColumn<Change>("beyond");
    QTest::addColumn<Change>("nearest");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const auto row = [](const char* name, Change beyond, Change nearest) {
        QTest::newRow(name) << beyond << nearest;
    };
    row(
        "gamma 0", [](Settings& s) { s.gamma = 0.0; }, [](Settings& s) { s.gamma = 0.5; });
    row(
        "gamma NaN", [=](Settings& s) { s.gamma = nan; }, [](Settings& s) { s.gamma = 1.0; });
    row(
        "CLHE 4e9", [](Settings& s) { s.clhe = 4000000000u; }, [](Settings& s) { s.clhe = 30000; });
    row(
        "zoom 1e30", [](Settings& s) { s.zoomFactor = 1e30; },
        [](Settings& s) { s.zoomFactor = 8.0; });
    row(
        "zoom NaN", [=](Settings& s) { s.zoomFactor = nan; }, [](Settings&) {});
    row(
        "zoom centre far outside",
        [](Settings& s) {
            s.zoomFactor = 4.0;
            s.zoomXCenter = -100000;
            s.zoomYCenter = 100000;
        },
        [](Settings& s) {
            s.zoomFactor = 4.0;
            s.zoomXCenter = 0;
            s.zoomYCenter = 1023;
        });
    row(
        "video output 200", [](Settings& s) { s.videoOutput = 200; },
        [](Settings& s) { s.videoOutput = 8; });
    row(
        "ROI inverted",
        [](Settings& s) {
            s.roi = {900, 800, 100, 50};
        },
        [](Settings& s) {
            s.roi = {100, 50, 900, 800};
        });
    row(
        "ROI beyond the picture",
        [](Settings& s) {
            s.roi = {-50, -50, 5000, 5000};
        },
        [](Settings& s) {
            s.roi = {5, 5, 1275, 1019};
        });
    row(
        "ROI beyond the picture, inverted",
        [](Settings& s) {
            s.roi = {5000, 5000, -50, -50};
        },
        [](Settings& s) {
            s.roi = {5, 5, 1275, 1019};
        });
    row(
        "sharpening 1e9", [](Settings& s) { s.sharpening = 1e9; },
        [](Settings& s) { s.sharpening = 4.0; });
    row(
        "max boxes -1",
        [](Settings& s) {
            s.detector.maxBoxes = -1;
            s.detector.outputType = 2;
        },
        [](Settings& s) {
            s.detector.outputType = 2;
            s.detector.maxBoxes = 0;
        });
    row(
        "resize mode 9",
        [](Settings& s) {
            s.detector.resizeMode = 9;
            s.detector.outputType = 2;
        },
        [](Settings& s) {
            s.detector.resizeMode = 4;
            s.detector.outputType = 2;
        });
}

void ImagingTest::valueBeyondItsRangeActsAsTheNearestAccepted()
{
    QFETCH(Change, beyond);
    QFETCH(Change, nearest);
    Settings outside;
    beyond(outside);
    Settings inside;
    nearest(inside);
    QVERIFY(same(pipeline_.render(frame, outside).levels, pipeline_.render(frame, inside).levels));
}

void ImagingTest::probeAndBoxesFollowTheZoomAndFlips_data()
{
    QTest::addColumn<Change>("change");
    const auto row = [](const char* name, double zoom, cv::Point centre, bool mirrored,
                        bool upsideDown, imaging::Tap tap = imaging::Tap::Output) {
        QTest::newRow(name) << Change([=](Settings& s) {
            s.zoomFactor = zoom;
            s.zoomXCenter = centre.x;
            s.zoomYCenter = centre.y;
            s.horizontalFlip = mirrored;
            s.verticalFlip = upsideDown;
            s.videoOutput = int(tap);
        });
    };
    const cv::Point middle(640, 512);
    row("straight", 1.0, middle, false, false);
    row("mirrored", 1.0, middle, true, false);
    row("upside down", 1.0, middle, false, true);
    row("both flips", 1.0, middle, true, true);
    row("zoom 2 off centre, both flips", 2.0, {500, 700}, true, true);
    row("zoom 4 at the bottom left, upside down", 4.0, {0, 1023}, false, true);
    row("zoom 8 on the car, mirrored", 8.0, {900, 760}, true, false);
    // A scale that is no whole number: a sensor pixel shows as two picture pixels or as three.
    row("zoom 3, mirrored", 3.0, {600, 500}, true, false);
    row("zoom 2 at the LUT tap: the window drawn, not yet applied", 2.0, {300, 512}, false, false,
        imaging::Tap::LutCorrection);
}

namespace {

// The picture pixels whose sensor pixels lie in sensor, found one by one; along each axis apart,
// since the zoom and the flips move the columns and the rows each on their own.
cv::Rect showing(const imaging::Geometry& geometry, const cv::Rect& sensor)
{
    const auto span = [](int size, auto sensorOf, int from, int to) {
        std::pair<int, int> found(size, -1);
        for (int pixel = 0; pixel < size; ++pixel) {
            if (sensorOf(pixel) >= from && sensorOf(pixel) < to)
                found = {std::min(found.first, pixel), std::max(found.second, pixel + 1)};
        }
        return found;
    };
    const auto [left, right] = span(
        imaging::sensorWidth,
        [&](int x) {
            return geometry.sensorPixel({x, 0}).x;
        },
        sensor.x, sensor.br().x);
    const auto [top, bottom] = span(
        imaging::sensorHeight,
        [&](int y) {
            return geometry.sensorPixel({0, y}).y;
        },
        sensor.y, sensor.br().y);
    return right < 0 || bottom < 0 ? cv::Rect()
                                   : cv::Rect(cv::Point(left, top), cv::Point(right, bottom));
}

// The sensor pixels that the picture pixels of shown show, found one by one.
cv::Rect shownBy(const imaging::Geometry& geometry, const cv::Rect& shown)
{
    cv::Point least(INT_MAX, INT_MAX);
    cv::Point most(-1, -1);
    for (int x = shown.x; x < shown.br().x; ++x) {
        least.x = std::min(least.x, geometry.sensorPixel({x, 0}).x);
        most.x = std::max(most.x, geometry.sensorPixel({x, 0}).x);
    }
    for (int y = shown.y; y < shown.br().y; ++y) {
        least.y = std::min(least.y, geometry.sensorPixel({0, y}).y);
        most.y = std::max(most.y, geometry.sensorPixel({0, y}).y);
    }
    return {least, most + cv::Point(1, 1)};
}

void compareStatistics(const std::optional<imaging::Statistics>& measured, const cv::Mat& counts,
                       const cv::Rect& area)
{
    QVERIFY(measured);
    QCOMPARE(measured->area, area);
    cv::Scalar mean;
    cv::Scalar deviation;
    cv::meanStdDev(counts(area), mean, deviation);
    double least = 0.0;
    double most = 0.0;
    cv::minMaxLoc(counts(area), &least, &most);
    QCOMPARE(measured->mean, mean[0]);
    QCOMPARE(measured->deviation, deviation[0]);
    QCOMPARE(measured->minimum, least);
    QCOMPARE(measured->maximum, most);
}

} // namespace

// What the probe reads, where the boxes and the settings are drawn and what a box measures come
// from the sensor pixels that the zoom and the flips brought there, as the picture's own pixels do.
void ImagingTest::probeAndBoxesFollowTheZoomAndFlips()
{
    QFETCH(Change, change);
    Settings straight;
    straight.detector.outputType = 1; // listed, not drawn
    straight.roi = {300, 350, 1100, 900};
    Settings turned = straight;
    change(turned);
    const Picture plain = pipeline_.render(frame, straight);
    const Picture shown = pipeline_.render(frame, turned);
    const imaging::Geometry& geometry = shown.geometry;
    for (int y = 0; y < imaging::sensorHeight; y += 31) {
        for (int x = 0; x < imaging::sensorWidth; x += 37) {
            for (const cv::Point pixel : {cv::Point(x, y), cv::Point(1279 - x, 1023 - y)}) {
                const cv::Point sensor = geometry.sensorPixel(pixel);
                QCOMPARE(shown.levels.at<std::uint8_t>(pixel),
                         plain.levels.at<std::uint8_t>(sensor));
            }
        }
    }
    const cv::Rect whole(0, 0, imaging::sensorWidth, imaging::sensorHeight);
    const imaging::Overlays overlays = imaging::overlaysOf(shown, turned);
    QCOMPARE(overlays.roi & whole, showing(geometry, {300, 350, 801, 551}));
    QCOMPARE(overlays.boxes.size(), shown.detections.size());
    int boxesShown = 0;
    for (std::size_t index = 0; index < shown.detections.size(); ++index) {
        const cv::Rect expected = showing(geometry, shown.detections[index]);
        boxesShown += !expected.empty();
        QCOMPARE(overlays.boxes[index] & whole, expected);
        QCOMPARE(geometry.shownArea(shown.detections[index]), expected);
    }
    QVERIFY(boxesShown > 0);
    const cv::Rect window = imaging::zoomWindow(imaging::withinRanges(turned));
    if (window == whole) {
        QVERIFY(overlays.zoomCentre.x < 0 && overlays.zoomWindow.empty());
    } else {
        QCOMPARE(geometry.sensorPixel(overlays.zoomCentre),
                 window.tl() + cv::Point(window.width / 2, window.height / 2));
        QCOMPARE(overlays.zoomWindow, shown.tap < imaging::Tap::Zoom ? window : cv::Rect());
    }

    const cv::Rect box(101, 203, 250, 177);
    const cv::Point spot(640, 500);
    const imaging::Readings readings = imaging::measure(shown, {spot, box});
    QVERIFY(readings.counts);
    compareStatistics(readings.box, shown.counts, shownBy(geometry, box));
    compareStatistics(readings.spot, shown.counts,
                      cv::Rect(geometry.sensorPixel(spot) - cv::Point(1, 1), cv::Size(3, 3)));
}

void ImagingTest::contrastSpreadsTheRoisRange_data()
{
    // The ROI's histogram: counts 1000 to 1999 alike, and 60 outliers (0.06 %) at 0 and at 16000.
    QTest::addColumn<double>("equalised");
    QTest::addColumn<double>("gamma");
    QTest::addColumn<bool>("polarity");
    QTest::newRow("linear") << 0.0 << 1.0 << false;
    QTest::newRow("linear, black-hot") << 0.0 << 1.0 << true;
    QTest::newRow("equalised, gamma 1.7") << 1.0 << 1.7 << false;
}

void ImagingTest::contrastSpreadsTheRoisRange()
{
    QFETCH(double, equalised);
    QFETCH(double, gamma);
    QFETCH(bool, polarity);
    const imaging::Histogram bins = evenHistogram(1000, 1999, 100, 60);
    std::vector<std::uint8_t> table;
    imaging::roiContrastTable(bins, equalised, gamma, polarity, table);
    std::vector<std::uint8_t> inverse;
    imaging::roiContrastTable(bins, equalised, gamma, !polarity, inverse);
    const auto level = [&](int count) {
        return polarity ? 255 - table[std::size_t(count)] : int(table[std::size_t(count)]);
    };
    // The outliers, fewer than 0.1 % at each end, take the ends of the levels and no more: the
    // counts up to the 99.9th percentile keep levels of their own.
    QCOMPARE(level(0), 0);
    QCOMPARE(level(16000), 255);
    QVERIFY(level(1000) < level(1010));
    QVERIFY(level(1990) < level(1999));
    // Polarity turns the very levels over.
    for (int count = 0; count < 65536; count += 7)
        QCOMPARE(table[std::size_t(count)] + inverse[std::size_t(count)], 255);
    // The colour scale names the range's ends, which every count beyond shares, and its middle.
    using Bound = imaging::ScaleMark::Bound;
    const auto marks = [&](int level, Bound bound, int count, int within) {
        const imaging::ScaleMark mark = imaging::scaleMark(table, level);
        return mark.bound == bound && std::abs(mark.count - count) <= within;
    };
    QVERIFY(marks(0, polarity ? Bound::AtLeast : Bound::AtMost, polarity ? 1999 : 1000, 4));
    QVERIFY(marks(255, polarity ? Bound::AtMost : Bound::AtLeast, polarity ? 1000 : 1999, 4));
    if (gamma != 1.0)
        return;
    QVERIFY(marks(128, Bound::About, 1500, 4));
    // Each count at the middle of its share of the range: the levels lie as evenly about the
    // middle as the counts do.
    for (int step = 0; step < 1000; ++step)
        QCOMPARE(level(1000 + step) + level(1999 - step), 255);
}

void ImagingTest::toneIsTheMappingThatMadeTheLevels_data()
{
    QTest::addColumn<int>("basis");
    QTest::addColumn<Change>("change");
    using Basis = imaging::Tone::Basis;
    const auto row = [](const char* name, Basis basis, Change change) {
        QTest::newRow(name) << int(basis) << change;
    };
    // Gamma and polarity act after the contrast: the curve must carry them.
    const Change steepBlackHot = [](Settings& s) {
        s.gamma = 1.7;
        s.polarity = true;
    };
    row("CLHE over the ROI", Basis::Roi, [](Settings&) {});
    row("CLHE equalised, gamma 1.7, black-hot, a small ROI", Basis::Roi, [=](Settings& s) {
        steepBlackHot(s);
        s.clhe = 30000;
        s.roi = {100, 100, 400, 300};
    });
    row("RAW: the whole picture stretched", Basis::WholePicture,
        [](Settings& s) { s.videoOutput = 0; });
    row("CLAHE in tiles, gamma 1.7, black-hot: its linear part", Basis::Roi, [=](Settings& s) {
        steepBlackHot(s);
        s.contrastType = 1;
    });
}

// The curve is the mapping that gave every pixel its level, and the histogram holds every pixel
// the mapping was made from.
void ImagingTest::toneIsTheMappingThatMadeTheLevels()
{
    QFETCH(Change, change);
    QFETCH(int, basis);
    pipeline_.render(frame, Settings()); // another frame's table in hand
    Settings settings;
    // Without corrections, the contrast sees the raw counts that the picture carries.
    settings.nucState = 0;
    settings.columnCorrection = false;
    settings.vignettingCorrection = false;
    settings.sharpening = 0.0;
    change(settings);
    const Picture picture = pipeline_.render(frame, settings);
    const imaging::Tone tone = pipeline_.tone();
    QCOMPARE(int(tone.basis), basis);
    const imaging::Roi& roi = settings.roi;
    const auto pixels = basis == int(imaging::Tone::Basis::Roi)
                            ? std::int64_t(roi.x2 - roi.x1 + 1) * (roi.y2 - roi.y1 + 1)
                            : std::int64_t(picture.counts.total());
    QCOMPARE(tone.histogram.pixels(), pixels);
    QVERIFY(tone.histogram.below + tone.histogram.above <= pixels / 500);
    QCOMPARE(tone.curve.size(), std::size_t(65536));
    if (!tone.tiled) {
        cv::Mat mapped(picture.counts.size(), CV_8U);
        for (int y = 0; y < mapped.rows; ++y) {
            for (int x = 0; x < mapped.cols; ++x)
                mapped.at<std::uint8_t>(y, x) = tone.curve[picture.counts.at<std::uint16_t>(y, x)];
        }
        QVERIFY(same(mapped, picture.levels));
        return;
    }
    // In tiles, the curve is the linear table's, gamma and polarity included, but for rounding to
    // levels before gamma, which shows most where gamma is steepest: at the dark end of brightness.
    settings.contrastType = 0;
    settings.clhe = 0;
    pipeline_.render(frame, settings);
    const std::vector<std::uint8_t> linear = pipeline_.tone().curve;
    for (int count = 0; count <= imaging::countMaximum; ++count) {
        const int level = linear[std::size_t(count)];
        if (level < 240)
            QVERIFY(std::abs(tone.curve[std::size_t(count)] - level) <= 4);
    }
}

void ImagingTest::sameFrameAndSettingsGiveTheSamePicture()
{
    Settings settings;
    settings.detector.outputType = 2;
    settings.contrastType = 1;
    imaging::Pipeline another;
    const Picture first = pipeline_.render(1234, settings);
    QVERIFY(same(first.levels, another.render(1234, settings).levels));
    QVERIFY(same(first.counts, another.render(1234, settings).counts));
    QVERIFY(!same(first.counts, another.render(1235, settings).counts));
    // A one-pixel ROI still gives a picture, and the same one each time.
    settings.roi = {640, 512, 640, 512};
    QVERIFY(same(pipeline_.render(7, settings).levels, another.render(7, settings).levels));
}

void ImagingTest::capturedFrameShowsItsBrightness_data()
{
    QTest::addColumn<QString>("layout"); // how the frame carries the brightness
    QTest::addColumn<QByteArray>("fourcc");
    QTest::addColumn<int>("kind");
    using imaging::CapturedKind;
    const auto row = [](const char* name, const char* layout, const char* fourcc,
                        CapturedKind kind) {
        QTest::newRow(name) << layout << QByteArray(fourcc) << int(kind);
    };
    // As OpenCV hands frames over: a matrix, and what the back end says of it.
    row("grey", "grey", "", CapturedKind::Grey8);
    row("YUYV, said", "yuyv", "YUYV", CapturedKind::Yuv422);
    row("UYVY, said", "uyvy", "UYVY", CapturedKind::Yuv422);
    row("YUYV, unsaid", "yuyv", "", CapturedKind::Yuv422);
    row("UYVY, unsaid", "uyvy", "", CapturedKind::Yuv422);
    row("planar 4:2:0", "planar", "", CapturedKind::Yuv420);
    row("BGR", "bgr", "", CapturedKind::Colour);
    row("BGRA", "bgra", "", CapturedKind::Colour);
    row("floating point", "float", "", CapturedKind::Unsupported);
    // As GStreamer says the format: colours in either order, counts in either byte order.
    row("RGB", "rgb", "", CapturedKind::Colour);
    row("RGBA", "rgba", "", CapturedKind::Colour);
    row("16-bit, bytes swapped", "swapped", "", CapturedKind::Grey16);
    // Counts 1000 to 1255 alike, and 1 % outliers at each end: a level a count between them.
    row("16-bit, a spread of counts", "spread", "", CapturedKind::Grey16);
    row("pixels that do not fit the format", "misfit", "", CapturedKind::Unsupported);
}

void ImagingTest::capturedFrameShowsItsBrightness()
{
    QFETCH(QString, layout);
    QFETCH(QByteArray, fourcc);
    QFETCH(int, kind);
    using imaging::PixelFormat;
    cv::Mat brightness(6, 8, CV_8U);
    cv::randu(brightness, 16, 236);
    // A grey camera's chroma is flat. Where the back end says the byte order, chroma livelier
    // than the brightness must not mislead.
    cv::Mat chroma(brightness.size(), CV_8U, cv::Scalar(128));
    cv::Mat colour(brightness.size(), CV_8UC3);
    cv::randu(colour, 0, 256);
    cv::Mat frame;
    imaging::CaptureLayout said;
    if (fourcc.size() == 4) {
        said.fourcc = std::uint32_t(fourcc[0]) | std::uint32_t(fourcc[1]) << 8 |
                      std::uint32_t(fourcc[2]) << 16 | std::uint32_t(fourcc[3]) << 24;
        cv::randu(chroma, 0, 256);
    }
    said.height = brightness.rows;
    std::optional<imaging::CapturedFrame> captured;
    const cv::Mat counts(3, 5, CV_16U, cv::Scalar(9000));
    if (layout == "rgb" || layout == "rgba") {
        cv::cvtColor(colour, brightness, cv::COLOR_BGR2GRAY);
        cv::cvtColor(colour, frame, layout == "rgb" ? cv::COLOR_BGR2RGB : cv::COLOR_BGR2RGBA);
        captured = {layout == "rgb" ? PixelFormat::Rgb : PixelFormat::Rgbx, frame};
    } else if (layout == "swapped") {
        cv::Mat swapped(counts.size(), CV_16U, cv::Scalar((9000 & 0xff) << 8 | 9000 >> 8));
        captured = {PixelFormat::Grey16Swapped, swapped};
    } else if (layout == "spread") {
        cv::Mat spread(1, 1044, CV_16U, cv::Scalar(65535));
        spread.colRange(0, 10) = 0;
        brightness.create(spread.size(), CV_8U);
        brightness.colRange(0, 10) = 0;
        brightness.colRange(1034, 1044) = 255;
        for (int x = 10; x < 1034; ++x) {
            spread.at<std::uint16_t>(x) = std::uint16_t(1000 + (x - 10) / 4);
            brightness.at<std::uint8_t>(x) = std::uint8_t((x - 10) / 4);
        }
        captured = {PixelFormat::Grey16, spread.reshape(1, 36)};
        brightness = brightness.reshape(1, 36);
    } else if (layout == "misfit") {
        captured = {PixelFormat::Grey16, brightness};
    } else {
        if (layout == "grey")
            frame = brightness;
        else if (layout == "yuyv")
            cv::merge(std::vector<cv::Mat>{brightness, chroma}, frame);
        else if (layout == "uyvy")
            cv::merge(std::vector<cv::Mat>{chroma, brightness}, frame);
        else if (layout == "planar")
            cv::vconcat(brightness, chroma.rowRange(0, brightness.rows / 2), frame);
        else if (layout == "bgr" || layout == "bgra")
            cv::cvtColor(brightness, frame,
                         layout == "bgr" ? cv::COLOR_GRAY2BGR : cv::COLOR_GRAY2BGRA);
        else
            brightness.convertTo(frame, CV_32F);
        captured = imaging::capturedFrame(frame, said);
    }

    // The picture and scratch of a 16-bit frame before: a format that changes mid-stream leaves
    // no counts behind for the probe.
    imaging::Picture picture;
    imaging::Histogram scratch;
    QCOMPARE(imaging::capturedPicture({PixelFormat::Grey16, counts}, picture, scratch),
             imaging::CapturedKind::Grey16);
    if (!captured) {
        QCOMPARE(kind, int(imaging::CapturedKind::Unsupported));
        return;
    }
    QCOMPARE(int(imaging::capturedPicture(*captured, picture, scratch)), kind);
    if (kind == int(imaging::CapturedKind::Unsupported)) {
        QVERIFY(picture.levels.empty() && picture.counts.empty());
        return;
    }
    // The histogram of what arrived, every pixel in it, and a curve where the preview itself made
    // the levels from the counts.
    const imaging::Tone tone = imaging::capturedTone(picture.counts, picture.levels, scratch);
    QCOMPARE(tone.histogram.pixels(), std::int64_t(picture.levels.total()));
    // A box that runs off the picture is measured, and said, as what of it lies on it; a spot in
    // the corner as the pixels there. Of the counts where there are, of the levels otherwise.
    const cv::Rect on(0, 0, picture.levels.cols, picture.levels.rows);
    const cv::Rect box(-5, 1, 1000, 1000);
    const imaging::Readings readings = imaging::measure(picture, {{0, 0}, box});
    const cv::Mat& values = picture.counts.empty() ? picture.levels : picture.counts;
    QCOMPARE(readings.regions.box, box & on);
    compareStatistics(readings.box, values, box & on);
    compareStatistics(readings.spot, values, cv::Rect(0, 0, 2, 2));
    if (layout == "swapped") {
        QVERIFY(same(picture.counts, counts));
        QCOMPARE(tone.curve[9000], picture.levels.at<std::uint8_t>(0, 0));
        return;
    }
    // Only a 16-bit frame keeps its counts, and so a curve from them to its levels.
    const bool fromCounts = layout == "spread";
    QCOMPARE(picture.counts.empty(), !fromCounts);
    QCOMPARE(tone.curve.empty(), !fromCounts);
    if (fromCounts)
        QCOMPARE(int(tone.curve[1100]), 100);
    QCOMPARE(picture.levels.type(), CV_8UC1);
    QCOMPARE(cv::norm(picture.levels, brightness, cv::NORM_INF), 0.0);
}

QTEST_GUILESS_MAIN(ImagingTest)
#include "tst_imaging.moc"
