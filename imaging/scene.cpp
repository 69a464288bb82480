#include "scene.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace imaging {
namespace {

constexpr auto restLevel = float(restCounts);
constexpr float countsPerKelvin = 60.0f; // the detector's response at TINT 1
constexpr int horizon = 390;
constexpr int noiseMargin = 64; // how far the noise window moves from frame to frame
constexpr double noiseCounts = 6.0;
constexpr int gainOne = 4096;  // gains in 1/4096ths
constexpr int walkerGap = 240; // pixels a walker spends out of sight before it comes back
constexpr double badPixelShare = 3e-4;
constexpr std::uint64_t staticSeed = 0x0DE7EC7012345ull;
constexpr std::uint64_t frameSeed = 0x5CE9E000ull;
// Pictures worked out of others a band of rows at a time: their intermediate images are a band's
// size rather than the picture's, which the preview's memory would otherwise peak at.
constexpr int bandRows = 64;

template <typename Work> void inBands(Work work)
{
    for (int top = 0; top < sensorHeight; top += bandRows)
        work(cv::Range(top, std::min(top + bandRows, sensorHeight)));
}

// Temperatures above the ambient, in kelvin, drawn into a CV_32F picture.
void fillEllipse(cv::Mat& kelvin, cv::Point centre, cv::Size axes, float above)
{
    cv::ellipse(kelvin, centre, axes, 0.0, 0.0, 360.0, cv::Scalar(above), cv::FILLED, cv::LINE_AA);
}

void fillRectangle(cv::Mat& kelvin, cv::Rect area, float above)
{
    cv::rectangle(kelvin, area, cv::Scalar(above), cv::FILLED);
}

// Smooth random relief: a few random values a row, resized up with a cubic.
cv::Mat relief(cv::RNG& rng, cv::Size coarse, cv::Size size, double spread)
{
    cv::Mat few(coarse, CV_32F);
    rng.fill(few, cv::RNG::NORMAL, 0.0, spread);
    cv::Mat smooth;
    cv::resize(few, smooth, size, 0.0, 0.0, cv::INTER_CUBIC);
    return smooth;
}

cv::Mat landscapeKelvin(cv::RNG& rng)
{
    cv::Mat kelvin(sensorHeight, sensorWidth, CV_32F);
    // The sky is colder the higher one looks; the ground warmer the nearer it is.
    for (int y = 0; y < sensorHeight; ++y) {
        const float above = y < horizon
                                ? -40.0f + 22.0f * float(y) / horizon
                                : -7.0f + 6.0f * float(y - horizon) / float(sensorHeight - horizon);
        kelvin.row(y).setTo(above);
    }
    const cv::Rect sky(0, 0, sensorWidth, horizon);
    const cv::Rect ground(0, horizon, sensorWidth, sensorHeight - horizon);
    kelvin(ground) +=
        relief(rng, {24, 12}, ground.size(), 0.8) + relief(rng, {160, 60}, ground.size(), 0.4);
    for (int cloud = 0; cloud < 5; ++cloud) {
        const cv::Point centre(rng.uniform(80, sensorWidth - 80), rng.uniform(40, horizon - 140));
        fillEllipse(kelvin, centre, {rng.uniform(90, 200), rng.uniform(20, 45)},
                    -16.0f + float(rng.uniform(0.0, 4.0)));
    }
    cv::Mat clouds;
    cv::GaussianBlur(kelvin(sky), clouds, {0, 0}, 14.0);
    clouds.copyTo(kelvin(sky));

    // A tree line on the horizon, a house on the left, a road across the foreground.
    for (int x = 380; x < sensorWidth; x += rng.uniform(18, 40))
        fillEllipse(kelvin, {x, horizon - rng.uniform(5, 25)}, {rng.uniform(14, 30), 34},
                    -5.0f + float(rng.uniform(0.0, 2.0)));
    const cv::Rect house(70, 250, 260, 170);
    fillRectangle(kelvin, house, -2.5f);
    const std::vector<cv::Point> roof{{50, 252}, {200, 170}, {350, 252}};
    cv::fillConvexPoly(kelvin, roof, cv::Scalar(-12.0), cv::LINE_AA);
    for (int window = 0; window < 3; ++window)
        fillRectangle(kelvin, {100 + 80 * window, 290, 40, 50}, 1.5f);
    fillRectangle(kelvin, {200, 350, 40, 70}, 0.5f);
    fillRectangle(kelvin, {0, 770, sensorWidth, 80}, 2.0f);
    for (int x = 20; x < sensorWidth; x += 120)
        fillRectangle(kelvin, {x, 806, 60, 6}, 0.5f);

    cv::Mat blurred;
    cv::GaussianBlur(kelvin, blurred, {0, 0}, 1.2); // the optics
    return blurred;
}

// A person seen from the side, height pixels tall, as kelvin above the ambient.
cv::Mat personKelvin(int height)
{
    const int width = height / 2;
    const int margin = 4;
    cv::Mat kelvin = cv::Mat::zeros(height + 2 * margin, width + 2 * margin, CV_32F);
    const auto at = [&](double x, double y) {
        return cv::Point(margin + int(x * width), margin + int(y * height));
    };
    const auto scaled = [&](double w, double h) {
        return cv::Size(std::max(1, int(w * width)), std::max(1, int(h * height)));
    };
    fillEllipse(kelvin, at(0.5, 0.37), scaled(0.26, 0.22), 16.0f);              // coat
    fillRectangle(kelvin, cv::Rect(at(0.34, 0.55), scaled(0.13, 0.43)), 13.0f); // legs
    fillRectangle(kelvin, cv::Rect(at(0.53, 0.55), scaled(0.13, 0.43)), 13.0f);
    fillEllipse(kelvin, at(0.2, 0.42), scaled(0.07, 0.18), 14.0f); // arms
    fillEllipse(kelvin, at(0.8, 0.42), scaled(0.07, 0.18), 14.0f);
    fillEllipse(kelvin, at(0.5, 0.08), scaled(0.15, 0.075), 21.0f); // the face is the warmest
    cv::Mat blurred;
    cv::GaussianBlur(kelvin, blurred, {0, 0}, std::max(0.8, height / 90.0));
    return blurred;
}

// A car driving to the right: its engine at the front is hot, its exhaust at the back hotter.
cv::Mat vehicleKelvin(int length)
{
    const int height = length * 2 / 5;
    const int margin = 4;
    cv::Mat kelvin = cv::Mat::zeros(height + 2 * margin, length + 2 * margin, CV_32F);
    const auto at = [&](double x, double y) {
        return cv::Point(margin + int(x * length), margin + int(y * height));
    };
    const auto area = [&](double x, double y, double w, double h) {
        return cv::Rect(at(x, y), cv::Size(int(w * length), int(h * height)));
    };
    fillRectangle(kelvin, area(0.0, 0.36, 1.0, 0.44), 11.0f);  // body, warmed by the engine
    fillRectangle(kelvin, area(0.18, 0.04, 0.46, 0.33), 4.0f); // cabin
    fillRectangle(kelvin, area(0.24, 0.1, 0.16, 0.22), 0.5f);  // windows
    fillRectangle(kelvin, area(0.44, 0.1, 0.16, 0.22), 0.5f);
    fillRectangle(kelvin, area(0.72, 0.38, 0.27, 0.36), 45.0f); // engine
    const int wheel = height / 7;
    fillEllipse(kelvin, at(0.2, 0.82), {wheel, wheel}, 16.0f);
    fillEllipse(kelvin, at(0.8, 0.82), {wheel, wheel}, 16.0f);
    fillEllipse(kelvin, at(0.02, 0.76), {wheel / 2 + 2, wheel / 3 + 1}, 70.0f); // exhaust
    cv::Mat blurred;
    cv::GaussianBlur(kelvin, blurred, {0, 0}, 1.2);
    return blurred;
}

// The landscape's counts at unit gain and TINT 1, the first thing drawn from the scene's seed.
cv::Mat landscapeCounts(cv::RNG& rng)
{
    cv::Mat counts = landscapeKelvin(rng);
    counts.convertTo(counts, CV_32F, countsPerKelvin, restLevel);
    return counts;
}

std::int64_t floorModulo(std::int64_t value, std::int64_t modulus)
{
    const std::int64_t rest = value % modulus;
    return rest < 0 ? rest + modulus : rest;
}

std::int64_t floorDivision(std::int64_t value, std::int64_t divisor)
{
    const std::int64_t quotient = value / divisor;
    return (value % divisor != 0 && (value < 0) != (divisor < 0)) ? quotient - 1 : quotient;
}

} // namespace

Scene::Scene()
{
    cv::RNG rng(staticSeed);
    const cv::Mat landscape = landscapeCounts(rng);

    const auto addWalker = [&](const cv::Mat& kelvin, int startX, int bottom, int numerator,
                               int denominator) {
        Walker walker;
        kelvin.convertTo(walker.excess, CV_16U, countsPerKelvin);
        walker.warm = cv::boundingRect(kelvin > 2.0f);
        walker.startX = startX;
        walker.y = bottom - kelvin.rows;
        walker.speedNumerator = numerator;
        walker.speedDenominator = denominator;
        walkers_.push_back(walker);
    };
    addWalker(vehicleKelvin(300), 620, 846, 2, 1);
    addWalker(personKelvin(150), 140, 934, 3, 4);
    addWalker(personKelvin(100), 900, 690, -1, 2);
    addWalker(personKelvin(64), 520, 468, 1, 3);

    cv::Mat gain(sensorHeight, sensorWidth, CV_32F);
    rng.fill(gain, cv::RNG::NORMAL, 1.0, 0.035);
    cv::min(gain, 1.15, gain);
    cv::max(gain, 0.85, gain);
    gain.convertTo(gain_, CV_16U, gainOne);
    gain.release();
    tables_.gainCorrection.create(sensorHeight, sensorWidth, CV_16U);
    inBands([&](cv::Range rows) {
        cv::Mat gainExact;
        gain_.rowRange(rows).convertTo(gainExact, CV_32F, 1.0 / gainOne);
        cv::Mat inverse;
        cv::divide(1.0, gainExact, inverse, CV_32F);
        cv::Mat correction = tables_.gainCorrection.rowRange(rows);
        inverse.convertTo(correction, CV_16U, gainOne);
    });

    cv::Mat offsets(sensorHeight, sensorWidth, CV_32F);
    rng.fill(offsets, cv::RNG::NORMAL, 0.0, 160.0);
    offsets += relief(rng, {20, 16}, offsets.size(), 90.0);
    offsets.convertTo(tables_.offsets, CV_16S);
    offsets.release();

    tables_.columnOffsets.create(1, sensorWidth, CV_16S);
    rng.fill(tables_.columnOffsets, cv::RNG::NORMAL, 0.0, 60.0);

    tables_.vignetting.create(sensorHeight, sensorWidth, CV_16U);
    const double cornerDistanceSquared =
        (sensorWidth * sensorWidth + sensorHeight * sensorHeight) / 4.0;
    cv::Mat vignetting(1, sensorWidth, CV_32F);
    for (int y = 0; y < sensorHeight; ++y) {
        auto* row = vignetting.ptr<float>();
        for (int x = 0; x < sensorWidth; ++x) {
            const double dx = x - sensorWidth / 2.0;
            const double dy = y - sensorHeight / 2.0;
            row[x] = float(700.0 * (dx * dx + dy * dy) / cornerDistanceSquared);
        }
        cv::Mat target = tables_.vignetting.row(y);
        vignetting.convertTo(target, CV_16U);
    }

    // A warmer sensor raises every offset, some pixels more than others.
    cv::Mat drift(sensorHeight, sensorWidth, CV_32F);
    rng.fill(drift, cv::RNG::NORMAL, 400.0, 90.0);
    drift.convertTo(drift_, CV_16S);
    drift.release();

    noise_.create(sensorHeight + noiseMargin, sensorWidth + noiseMargin, CV_16S);
    rng.fill(noise_, cv::RNG::NORMAL, 0.0, noiseCounts);

    const int badPixelCount = int(sensorWidth * sensorHeight * badPixelShare);
    for (int index = 0; index < badPixelCount; ++index) {
        tables_.badPixels.emplace_back(rng.uniform(0, sensorWidth), rng.uniform(0, sensorHeight));
        // Half stuck dark, half stuck bright.
        badLevels_.push_back(index % 2 ? countMaximum : std::uint16_t(rng.uniform(0, 400)));
    }
    // The landscape is kept only as the static counts it makes with the built-in settings: drawn
    // again for another TINT, it costs a moment once rather than its megabytes all the time.
    const Settings builtIn;
    makeStaticCounts(builtIn, landscape);
}

const cv::Mat& Scene::staticCounts(const Settings& settings)
{
    if (staticTint_ != settings.tint || staticShutter_ != settings.shutterClosed) {
        cv::RNG rng(staticSeed);
        makeStaticCounts(settings, settings.shutterClosed ? cv::Mat() : landscapeCounts(rng));
    }
    return static_;
}

void Scene::makeStaticCounts(const Settings& settings, const cv::Mat& landscape)
{
    // A longer integration collects more of the scene's signal around the rest level.
    const double response = (1.0 + double(settings.tint)) / 2.0;
    static_.create(sensorHeight, sensorWidth, CV_16U);
    inBands([&](cv::Range rows) {
        const cv::Mat signal = settings.shutterClosed
                                   ? cv::Mat(rows.size(), sensorWidth, CV_32F,
                                             cv::Scalar(restLevel + 5.0f * countsPerKelvin))
                                   : landscape.rowRange(rows);
        cv::Mat gain;
        gain_.rowRange(rows).convertTo(gain, CV_32F, response / gainOne);
        cv::Mat offsets;
        tables_.offsets.rowRange(rows).convertTo(offsets, CV_32F);
        cv::Mat columns;
        cv::repeat(tables_.columnOffsets, rows.size(), 1, columns);
        columns.convertTo(columns, CV_32F);
        cv::Mat vignetting;
        tables_.vignetting.rowRange(rows).convertTo(vignetting, CV_32F);
        const cv::Mat counts =
            (signal - restLevel).mul(gain) + restLevel + offsets + columns - vignetting;
        cv::Mat band = static_.rowRange(rows);
        counts.convertTo(band, CV_16U);
    });
    cv::min(static_, countMaximum, static_);
    staticTint_ = settings.tint;
    staticShutter_ = settings.shutterClosed;
}

int Scene::walkerX(const Walker& walker, std::int64_t frame) const
{
    const std::int64_t span = sensorWidth + walker.excess.cols + walkerGap;
    // After this many frames every walker is where it started, so the frame number can be reduced
    // first and the product below stays small.
    const std::int64_t cycle = span * walker.speedDenominator;
    const std::int64_t travelled =
        floorDivision(floorModulo(frame, cycle) * walker.speedNumerator, walker.speedDenominator);
    const std::int64_t hidden = walker.excess.cols + walkerGap / 2;
    return int(floorModulo(walker.startX + hidden + travelled, span) - hidden);
}

cv::Mat Scene::counts(std::int64_t frame, const Settings& settings)
{
    cv::Mat counts = staticCounts(settings).clone();
    const cv::Rect picture(0, 0, sensorWidth, sensorHeight);
    const double response = (1.0 + double(settings.tint)) / 2.0;
    if (!settings.shutterClosed) {
        for (const Walker& walker : walkers_) {
            const cv::Rect placed(walkerX(walker, frame), walker.y, walker.excess.cols,
                                  walker.excess.rows);
            const cv::Rect seen = placed & picture;
            if (seen.empty())
                continue;
            const cv::Rect own = seen - placed.tl();
            cv::Mat excess;
            cv::multiply(walker.excess(own), gain_(seen), excess, response / gainOne);
            cv::Mat target = counts(seen);
            cv::add(target, excess, target);
        }
    }

    cv::RNG rng(frameSeed ^ std::uint64_t(frame));
    const cv::Rect window(rng.uniform(0, noiseMargin + 1), rng.uniform(0, noiseMargin + 1),
                          sensorWidth, sensorHeight);
    const double warming = settings.sensorKelvin - settings.tablesKelvin;
    cv::Mat change;
    if (warming != 0.0)
        cv::addWeighted(drift_, warming, noise_(window), 1.0, 0.0, change, CV_16S);
    else
        change = noise_(window);
    cv::add(counts, change, counts, cv::noArray(), CV_16U);
    cv::min(counts, countMaximum, counts);

    for (std::size_t index = 0; index < tables_.badPixels.size(); ++index)
        counts.at<std::uint16_t>(tables_.badPixels[index]) = badLevels_[index];
    return counts;
}

std::vector<cv::Rect> Scene::warmObjects(std::int64_t frame) const
{
    const cv::Rect picture(0, 0, sensorWidth, sensorHeight);
    std::vector<cv::Rect> objects;
    for (const Walker& walker : walkers_) {
        const cv::Rect warm = walker.warm + cv::Point(walkerX(walker, frame), walker.y);
        const cv::Rect seen = warm & picture;
        if (2 * seen.area() >= warm.area())
            objects.push_back(seen);
    }
    return objects;
}

} // namespace imaging
