// Tracker benchmark: our ProcessFrame against OpenCV's ArUco detector and AprilTag 3 on the same
// synthesised scenes, against the floor of our own pipeline, and the pose stability of a marker
// held still under sensor noise. Prints markdown tables; timings are reported, never asserted.
//
//   bench_tracker [--quick] [--speed-only | --pose-only]

#include "FrameSynth.h"
#include "MarkerCodes.h"
#include "MarkerDetect.h"
#include "PoseEstimate.h"
#include "ViewSetup.h"

#include <opencv2/aruco.hpp>
#include <opencv2/calib3d.hpp>
#include <opencv2/core/utility.hpp>
#include <opencv2/core/version.hpp>
#include <opencv2/imgproc.hpp>

#include <apriltag/apriltag.h>
#include <apriltag/tag16h5.h>
#include <apriltag/tag36h11.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr float kFocal = 700.0f;
constexpr float kPi = 3.14159265f;
// A detection counts only with the right id and every corner within this distance of the truth.
constexpr float kCornerTolerance = 4.0f;

enum Family { Ours, Aruco, Tag16h5, Tag36h11, FamilyCount };
const char* const kFamilyNames[FamilyCount] = {"ours", "ArUco 4x4", "tag16h5", "tag36h11"};

// ---------------------------------------------------------------------------------------------
// Printed patterns of the peers' families: the black square edge to edge, one pixel per cell.

struct AprilFamilies
{
    apriltag_family_t* tag16 = tag16h5_create();
    apriltag_family_t* tag36 = tag36h11_create();
    AprilFamilies() = default;
    AprilFamilies(const AprilFamilies&) = delete;
    AprilFamilies& operator=(const AprilFamilies&) = delete;
    ~AprilFamilies()
    {
        tag16h5_destroy(tag16);
        tag36h11_destroy(tag36);
    }
};

cv::Mat AprilPattern(apriltag_family_t* fam, int id)
{
    image_u8_t* im = apriltag_to_image(fam, id);
    // The library's picture includes the white ring around the black square; keep the square.
    const int off = (fam->total_width - fam->width_at_border) / 2;
    cv::Mat pattern(fam->width_at_border, fam->width_at_border, CV_8UC1);
    for (int y = 0; y < pattern.rows; ++y)
        for (int x = 0; x < pattern.cols; ++x)
            pattern.at<unsigned char>(y, x) = im->buf[(y + off) * im->stride + x + off];
    // The shared library keeps image_u8_destroy to itself; its images are two calloc'd blocks.
    std::free(im->buf);
    std::free(im);
    return pattern;
}

cv::Mat Pattern(Family f, int id, const cv::Ptr<cv::aruco::Dictionary>& dict, const AprilFamilies& april)
{
    switch (f) {
    case Aruco: {
        cv::Mat m;
        cv::aruco::drawMarker(dict, id, dict->markerSize + 2, m, 1);
        return m;
    }
    case Tag16h5:
        return AprilPattern(april.tag16, id);
    case Tag36h11:
        return AprilPattern(april.tag36, id);
    default:
        return {};
    }
}

// ---------------------------------------------------------------------------------------------
// Scenes

struct Condition
{
    const char* name;
    float blur, noise, gradient;
};
const Condition kConditions[] = {
    {"clean", 0.0f, 0.0f, 0.0f},
    {"blurred", 1.5f, 0.0f, 0.0f},
    {"noisy", 0.0f, 10.0f, 0.0f},
    {"uneven light", 0.0f, 0.0f, 0.6f},
    {"strong uneven light", 0.0f, 0.0f, 0.85f},
};

float PolygonArea(const trk::SPoint2f* c)
{
    float a = 0.0f;
    for (int i = 0; i < 4; ++i)
        a += c[i].x * c[(i + 1) % 4].y - c[(i + 1) % 4].x * c[i].y;
    return std::fabs(a) * 0.5f;
}

// Picture position of a point of a marker's plane.
cv::Point2f Project(const trk::SynthMarker& m, float x, float y, int width, int height)
{
    const trk::SPoint2f s =
        trk::ProjectPoint(m.rotation.ToMatrix() * trk::CVector3(x, y, 0.0f) + m.translation, kFocal);
    return {s.x + static_cast<float>(width) * 0.5f, s.y + static_cast<float>(height) * 0.5f};
}

// n markers (ids 0..n-1) on a grid of cells over the frame, each at its own distance, spin and
// tilt, its whole printed sheet (quiet zone included) inside its cell, so that no marker hides
// another. The black square stays above the tracker's configured minimum area (0.5 % of the
// frame), so every marker is one that the tracker is set up to see.
std::vector<trk::SynthMarker> PlaceMarkers(int n, int width, int height, cv::RNG& rng)
{
    const int cols = n == 1 ? 1 : n <= 6 ? 3 : 5;
    const int rows = (n + cols - 1) / cols;
    const float cw = static_cast<float>(width) / static_cast<float>(cols);
    const float ch = static_cast<float>(height) / static_cast<float>(rows);
    const float h = 135.0f * 0.5f;
    const float q = h * 1.5f; // black square plus a quiet zone of two of its eight cells
    const float minArea = static_cast<float>(width * height) * 0.005f * 1.2f;
    std::vector<trk::SynthMarker> out;
    for (int i = 0; i < n; ++i) {
        const float x0 = static_cast<float>(i % cols) * cw, y0 = static_cast<float>(i / cols) * ch;
        // The smallest sheet whose black square keeps the minimum area under a tilt, and the largest
        // that fits the cell.
        const float smallest = std::sqrt(minArea) * 1.1f * q / h;
        const float largest = std::min(cw, ch) * 0.85f;
        for (int attempt = 0;; ++attempt) {
            // Placements that do not fit make way, step by step, for one at the cell's centre
            // that always does: head-on, unturned, at the smallest size.
            const float freedom = std::max(0.0f, 1.0f - static_cast<float>(attempt) / 200.0f);
            const float footprint = rng.uniform(smallest, smallest + (largest - smallest) * freedom + 1e-3f);
            const float d = kFocal * 2.0f * q / footprint;
            const float u = x0 + (0.5f + rng.uniform(-0.2f, 0.2f) * freedom) * cw - static_cast<float>(width) * 0.5f;
            const float v = y0 + (0.5f + rng.uniform(-0.2f, 0.2f) * freedom) * ch - static_cast<float>(height) * 0.5f;
            const float tilt = 25.0f * freedom;
            const trk::SynthMarker m =
                trk::PoseMarker(i, d, rng.uniform(0.0f, 360.0f) * freedom, rng.uniform(-tilt, tilt),
                                rng.uniform(-tilt, tilt), u, v, kFocal);
            bool inside = true;
            trk::SPoint2f black[4];
            const float sx[4] = {-1, -1, 1, 1}, sy[4] = {1, -1, -1, 1};
            for (int k = 0; k < 4; ++k) {
                const cv::Point2f p = Project(m, sx[k] * q, sy[k] * q, width, height);
                inside = inside && p.x >= x0 + 1 && p.x <= x0 + cw - 2 && p.y >= y0 + 1 && p.y <= y0 + ch - 2;
                const cv::Point2f b = Project(m, sx[k] * h, sy[k] * h, width, height);
                black[k] = {b.x, b.y};
            }
            if (inside && PolygonArea(black) >= minArea) {
                out.push_back(m);
                break;
            }
        }
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// Detections and scoring

struct Detection
{
    int id = -1;
    cv::Point2f c[4];
};

struct Truth
{
    int id;
    cv::Point2f c[4];
};

// Largest corner distance under the best correspondence of the corners (each family numbers
// its corners its own way), and under our own numbering.
float CornerError(const Detection& d, const Truth& t, float* ordered)
{
    float best = 1e9f;
    for (int dir : {1, -1})
        for (int s = 0; s < 4; ++s) {
            float worst = 0.0f;
            for (int i = 0; i < 4; ++i)
                worst = std::max(worst, static_cast<float>(cv::norm(d.c[i] - t.c[((s + dir * i) % 4 + 4) % 4])));
            if (dir == 1 && s == 0 && ordered)
                *ordered = worst;
            best = std::min(best, worst);
        }
    return best;
}

struct Score
{
    long inView = 0;
    long found = 0;
    long falseDetections = 0;
    long wrongCorner0 = 0;
    long frames = 0;
    std::vector<float> cornerErrors;

    void Add(const std::vector<Truth>& truth, const std::vector<Detection>& dets)
    {
        ++frames;
        inView += static_cast<long>(truth.size());
        std::vector<char> used(truth.size(), 0);
        for (const Detection& d : dets) {
            bool ok = false;
            for (size_t k = 0; k < truth.size(); ++k) {
                if (used[k] || truth[k].id != d.id)
                    continue;
                float ordered = 0.0f;
                const float e = CornerError(d, truth[k], &ordered);
                if (e < kCornerTolerance) {
                    used[k] = 1;
                    ok = true;
                    cornerErrors.push_back(e);
                    if (ordered > e + 1e-3f)
                        ++wrongCorner0;
                }
                break;
            }
            if (ok)
                ++found;
            else
                ++falseDetections;
        }
    }
    double Rate() const { return inView > 0 ? 100.0 * static_cast<double>(found) / static_cast<double>(inView) : 0.0; }
    double FalsePerFrame() const
    {
        return frames > 0 ? static_cast<double>(falseDetections) / static_cast<double>(frames) : 0.0;
    }
};

double Median(std::vector<double> v)
{
    if (v.empty())
        return 0.0;
    std::nth_element(v.begin(), v.begin() + static_cast<long>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

float MedianF(std::vector<float> v)
{
    if (v.empty())
        return 0.0f;
    std::nth_element(v.begin(), v.begin() + static_cast<long>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

// ---------------------------------------------------------------------------------------------
// Contenders: one timed call per frame; results are read outside the timing.

struct Contender
{
    std::string name;
    std::function<void(int)> run;                              // timed
    std::function<void(int, std::vector<Detection>&)> results; // empty for the floor
    std::vector<double> times;                                 // ms
    Score score;
};

void ToPicture(const trk::SPoint2f& c, int w, int h, cv::Point2f& out)
{
    out = {c.x + static_cast<float>(w) * 0.5f, c.y + static_cast<float>(h) * 0.5f};
}

struct ScenarioResult
{
    int width, height, markers;
    const char* condition;
    double ms[6];
    double rate[6];
    double fpf[6];
    float cornerMedian[6];
    double firstPassRate;
    long wrongCorner0;
    double meanThreshold;
};

struct Options
{
    bool quick = false;
    bool speed = true;
    bool pose = true;
};

ScenarioResult RunScenario(int width, int height, int n, const Condition& cond, const Options& opt,
                           const cv::Ptr<cv::aruco::Dictionary>& dict, const AprilFamilies& april)
{
    const int F = opt.quick ? 3 : 8;
    const int passes = opt.quick ? 2 : 8;

    // The same scenes for every family: placements, background, blur, noise and light.
    std::vector<std::vector<Truth>> truth(static_cast<size_t>(F));
    std::array<std::vector<cv::Mat>, FamilyCount> frames;
    for (int i = 0; i < F; ++i) {
        cv::RNG rng(static_cast<uint64_t>(1000003u * static_cast<unsigned>(width) + 7919u * static_cast<unsigned>(n) +
                                          static_cast<unsigned>(i)));
        const std::vector<trk::SynthMarker> placed = PlaceMarkers(n, width, height, rng);
        trk::SynthOptions o;
        o.width = width;
        o.height = height;
        o.focal = kFocal;
        o.background = trk::SynthOptions::Textured;
        o.blurSigma = cond.blur;
        o.noiseSigma = cond.noise;
        o.gradient = cond.gradient;
        o.seed = static_cast<unsigned>(17 + i + 100 * n + width);
        for (int f = 0; f < FamilyCount; ++f) {
            std::vector<trk::SynthMarker> ms = placed;
            for (trk::SynthMarker& m : ms)
                m.pattern = Pattern(static_cast<Family>(f), m.marker, dict, april);
            trk::SynthFrame s = trk::SynthesizeFrame(ms, o);
            if (f == Ours) {
                frames[f].push_back(s.frame); // the tracker takes the frame as the video source stores it
                for (const trk::SynthTruth& t : s.truth) {
                    Truth tr{t.marker, {}};
                    for (int k = 0; k < 4; ++k)
                        tr.c[k] = {t.corners[k].x, t.corners[k].y};
                    truth[static_cast<size_t>(i)].push_back(tr);
                }
            } else {
                frames[f].push_back(s.Picture()); // the peers read the picture the right way up
            }
        }
    }

    // Our tracker, set up as the non-mirrored view; its threshold carries over from frame to frame.
    trk::CMarkerDetector det;
    trk::SetupLikeView(det, width, height, kFocal);
    det.SetFlipFlags(true, true);
    // The same without sub-pixel refinement, to show what the refinement costs.
    trk::CMarkerDetector coarse;
    trk::SetupLikeView(coarse, width, height, kFocal);
    coarse.SetFlipFlags(true, true);
    coarse.DisableOption(trk::CMarkerDetector::OptSubPixel);
    std::vector<int> usedThreshold(static_cast<size_t>(F), 120);
    double thresholdSum = 0.0;
    long thresholdCount = 0;

    // The floor: the whole-frame work of our pipeline alone, at the threshold ours used.
    cv::Mat floorGrey(height, width, CV_8UC1), floorBinary(height, width, CV_8UC1);
    std::vector<std::vector<cv::Point>> floorContours;

    cv::Ptr<cv::aruco::DetectorParameters> params = cv::aruco::DetectorParameters::create();
    std::vector<std::vector<cv::Point2f>> arucoCorners, arucoRejected;
    std::vector<int> arucoIds;
    cv::Mat arucoGrey;

    std::unique_ptr<apriltag_detector_t, void (*)(apriltag_detector_t*)> td16(apriltag_detector_create(),
                                                                              apriltag_detector_destroy);
    std::unique_ptr<apriltag_detector_t, void (*)(apriltag_detector_t*)> td36(apriltag_detector_create(),
                                                                              apriltag_detector_destroy);
    apriltag_detector_add_family(td16.get(), april.tag16);
    apriltag_detector_add_family(td36.get(), april.tag36);
    td16->nthreads = 1;
    td36->nthreads = 1;
    zarray_t* aprilDets = nullptr;
    cv::Mat aprilGrey;

    auto aprilRun = [&](apriltag_detector_t* td, int i) {
        cv::cvtColor(frames[td == td16.get() ? Tag16h5 : Tag36h11][static_cast<size_t>(i)], aprilGrey,
                     cv::COLOR_BGR2GRAY);
        image_u8_t im{aprilGrey.cols, aprilGrey.rows, static_cast<int32_t>(aprilGrey.step[0]), aprilGrey.data};
        aprilDets = apriltag_detector_detect(td, &im);
    };
    auto aprilResults = [&](int, std::vector<Detection>& out) {
        for (int k = 0; k < zarray_size(aprilDets); ++k) {
            apriltag_detection_t* d = nullptr;
            zarray_get(aprilDets, k, &d);
            Detection r;
            r.id = d->id;
            for (int c = 0; c < 4; ++c)
                r.c[c] = {static_cast<float>(d->p[c][0]), static_cast<float>(d->p[c][1])};
            out.push_back(r);
        }
        apriltag_detections_destroy(aprilDets);
        aprilDets = nullptr;
    };

    std::vector<Contender> cs(6);
    cs[0].name = "ours";
    cs[0].run = [&](int i) { det.ProcessFrame(frames[Ours][static_cast<size_t>(i)].data); };
    cs[0].results = [&](int, std::vector<Detection>& out) {
        for (const trk::CMarkerMatrix& m : det.GetMarkers()) {
            Detection r;
            r.id = trk::MarkerNumberOfCode(m.code);
            for (int c = 0; c < 4; ++c)
                ToPicture(m.corners[c], width, height, r.c[c]);
            out.push_back(r);
        }
    };
    cs[1].name = "floor";
    cs[1].run = [&](int i) {
        const cv::Mat& fr = frames[Ours][static_cast<size_t>(i)];
        cv::cvtColor(fr, floorGrey, cv::COLOR_RGB2GRAY); // code 7, as the tracker converts
        cv::threshold(floorGrey, floorBinary, usedThreshold[static_cast<size_t>(i)], 255.0, cv::THRESH_BINARY);
        cv::findContours(floorBinary, floorContours, cv::RETR_LIST, cv::CHAIN_APPROX_SIMPLE);
    };
    cs[2].name = "ArUco";
    cs[2].run = [&](int i) {
        cv::cvtColor(frames[Aruco][static_cast<size_t>(i)], arucoGrey, cv::COLOR_BGR2GRAY);
        cv::aruco::detectMarkers(arucoGrey, dict, arucoCorners, arucoIds, params, arucoRejected);
    };
    cs[2].results = [&](int, std::vector<Detection>& out) {
        for (size_t k = 0; k < arucoIds.size(); ++k) {
            Detection r;
            r.id = arucoIds[k];
            for (int c = 0; c < 4; ++c)
                r.c[c] = arucoCorners[k][static_cast<size_t>(c)];
            out.push_back(r);
        }
    };
    cs[3].name = "tag16h5";
    cs[3].run = [&](int i) { aprilRun(td16.get(), i); };
    cs[3].results = aprilResults;
    cs[4].name = "tag36h11";
    cs[4].run = [&](int i) { aprilRun(td36.get(), i); };
    cs[4].results = aprilResults;
    cs[5].name = "ours without sub-pixel";
    cs[5].run = [&](int i) { coarse.ProcessFrame(frames[Ours][static_cast<size_t>(i)].data); };
    cs[5].results = [&](int, std::vector<Detection>& out) {
        for (const trk::CMarkerMatrix& m : coarse.GetMarkers()) {
            Detection r;
            r.id = trk::MarkerNumberOfCode(m.code);
            for (int c = 0; c < 4; ++c)
                ToPicture(m.corners[c], width, height, r.c[c]);
            out.push_back(r);
        }
    };

    std::vector<Detection> dets;
    auto onePass = [&](Contender& c, bool record, Score* firstPass) {
        double total = 0.0;
        for (int i = 0; i < F; ++i) {
            if (&c == &cs[0])
                usedThreshold[static_cast<size_t>(i)] = det.ImageThreshold();
            const Clock::time_point t0 = Clock::now();
            c.run(i);
            const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
            total += ms;
            dets.clear();
            if (c.results)
                c.results(i, dets);
            if (record) {
                c.times.push_back(ms);
                if (c.results)
                    c.score.Add(truth[static_cast<size_t>(i)], dets);
                if (&c == &cs[0]) {
                    thresholdSum += usedThreshold[static_cast<size_t>(i)];
                    ++thresholdCount;
                }
            } else if (firstPass && c.results) {
                firstPass->Add(truth[static_cast<size_t>(i)], dets);
            }
        }
        return total;
    };

    // Warm-up: one pass each (our fresh detector's first pass is scored on its own), then a
    // second to size the repetitions so that every contender gets enough calls per pass.
    Score firstPass;
    std::vector<int> reps(cs.size(), 1);
    for (size_t k = 0; k < cs.size(); ++k)
        onePass(cs[k], false, k == 0 ? &firstPass : nullptr);
    for (size_t k = 0; k < cs.size(); ++k) {
        const double t = onePass(cs[k], false, nullptr);
        reps[k] = std::clamp(static_cast<int>(std::ceil((opt.quick ? 10.0 : 40.0) / std::max(t, 1e-3))), 1, 40);
    }
    // Timed passes, round robin, so that a busy moment of the shared machine hits everyone alike.
    for (int p = 0; p < passes; ++p)
        for (size_t k = 0; k < cs.size(); ++k)
            for (int r = 0; r < reps[k]; ++r)
                onePass(cs[k], true, nullptr);

    ScenarioResult res{};
    res.width = width;
    res.height = height;
    res.markers = n;
    res.condition = cond.name;
    for (size_t k = 0; k < cs.size(); ++k) {
        res.ms[k] = Median(cs[k].times);
        res.rate[k] = cs[k].score.Rate();
        res.fpf[k] = cs[k].score.FalsePerFrame();
        res.cornerMedian[k] = MedianF(cs[k].score.cornerErrors);
    }
    res.firstPassRate = firstPass.Rate();
    res.wrongCorner0 = cs[0].score.wrongCorner0;
    res.meanThreshold = thresholdCount > 0 ? thresholdSum / static_cast<double>(thresholdCount) : 0.0;
    return res;
}

// ---------------------------------------------------------------------------------------------
// Pose stability: one marker held still, fresh sensor noise in every frame.

cv::Vec3f Normal(const trk::CQuaternion& q)
{
    const trk::CVector3 n = q.ToMatrix() * trk::CVector3(0.0f, 0.0f, 1.0f);
    return {n[0], n[1], n[2]};
}

float LineAngleDeg(const cv::Vec3f& a, const cv::Vec3f& b)
{
    const float c = std::fabs(a.dot(b)) / static_cast<float>(cv::norm(a) * cv::norm(b));
    return std::acos(std::min(1.0f, c)) * 180.0f / kPi;
}

float MatrixAngleDeg(const cv::Matx33d& a, const cv::Matx33d& b)
{
    const cv::Matx33d r = a.t() * b;
    const double c = std::clamp((r(0, 0) + r(1, 1) + r(2, 2) - 1.0) * 0.5, -1.0, 1.0);
    return static_cast<float>(std::acos(c) * 180.0 / CV_PI);
}

struct Stability
{
    long frames = 0, detected = 0, flips = 0;
    float maxJump = 0.0f, maxTiltError = 0.0f;
    std::vector<float> jumps;
};

void AddNoise(const cv::Mat& clean, cv::Mat& out, float sigma, uint64_t seed)
{
    // The synthesiser's sensor noise, drawn afresh: a signed Gaussian per channel, saturated.
    cv::RNG rng(seed);
    cv::Mat noise(clean.size(), CV_16SC3);
    rng.fill(noise, cv::RNG::NORMAL, cv::Scalar::all(0), cv::Scalar::all(sigma));
    cv::Mat wide;
    clean.convertTo(wide, CV_16SC3);
    wide += noise;
    wide.convertTo(out, CV_8UC3);
}

void RunPoseStability(const Options& opt, const cv::Ptr<cv::aruco::Dictionary>& dict)
{
    const int width = 640, height = 480;
    const int frames = opt.quick ? 60 : 300;
    // Ordinary sensor noise at four distances; then heavy noise on the smallest markers the
    // tracker is set up to see (about 40 px across at 2300).
    struct Case
    {
        float distance, sigma;
    };
    const Case cases[] = {{400.0f, 4.0f},  {800.0f, 4.0f},   {1200.0f, 4.0f},
                          {1800.0f, 4.0f}, {1800.0f, 12.0f}, {2300.0f, 12.0f}};
    const float tilts[] = {0.0f, 3.0f, 6.0f, 10.0f};

    std::printf("\n## Pose stability\n\n");
    std::printf("One marker held still at 640 x 480, f = %.0f, tilted about an axis 30 degrees off the picture's "
                "horizontal, spun 15 degrees, centre 40 px right and 30 px up; %d frames per row, each with "
                "fresh Gaussian sensor noise of the given sigma (grey levels) over the same textured background. "
                "Jump = rotation between consecutive detected frames; flips = jumps over 10 degrees; "
                "tilt error = angle between the estimated and the true marker normal.\n\n",
                kFocal, frames);
    std::printf("| distance | side px | noise | tilt | ours found | ours max jump | ours flips | ours max tilt err | "
                "ArUco+IPPE found | "
                "ArUco+IPPE max jump | ArUco+IPPE flips | ArUco+IPPE max tilt err |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|---|---|\n");

    cv::Ptr<cv::aruco::DetectorParameters> params = cv::aruco::DetectorParameters::create();
    params->cornerRefinementMethod = cv::aruco::CORNER_REFINE_SUBPIX; // as ours refines its corners
    const cv::Matx33d K(kFocal, 0, width * 0.5, 0, kFocal, height * 0.5, 0, 0, 1);
    const float h = 135.0f * 0.5f;
    const std::vector<cv::Point3f> object = {{-h, h, 0}, {h, h, 0}, {h, -h, 0}, {-h, -h, 0}};

    Stability totalOurs, totalAruco;
    for (const Case& cs : cases)
        for (float tilt : tilts) {
            const float d = cs.distance, sigma = cs.sigma;
            const float a = 30.0f * kPi / 180.0f;
            const trk::SynthMarker pose =
                trk::PoseMarker(3, d, 15.0f, tilt * std::cos(a), tilt * std::sin(a), 40.0f, -30.0f, kFocal);
            trk::SynthOptions o;
            o.width = width;
            o.height = height;
            o.background = trk::SynthOptions::Textured;
            o.seed = 99;
            trk::SynthMarker arucoMarker = pose;
            arucoMarker.pattern = Pattern(Aruco, 3, dict, AprilFamilies{});
            const trk::SynthFrame oursClean = trk::SynthesizeFrame({pose}, o);
            const trk::SynthFrame arucoClean = trk::SynthesizeFrame({arucoMarker}, o);
            const cv::Mat arucoPicture = arucoClean.Picture();
            const cv::Vec3f trueNormal = Normal(pose.rotation);

            trk::CMarkerDetector det;
            trk::SetupLikeView(det, width, height, kFocal);
            det.SetFlipFlags(true, true);
            Stability ours, aruco;
            bool havePrevOurs = false, havePrevAruco = false;
            trk::CQuaternion prevQ;
            cv::Matx33d prevR;
            cv::Mat noisy, grey;
            std::vector<std::vector<cv::Point2f>> corners;
            std::vector<int> ids;
            for (int i = 0; i < frames; ++i) {
                const uint64_t seed = 7777u + static_cast<uint64_t>(i);
                AddNoise(oursClean.frame, noisy, sigma, seed);
                det.ProcessFrame(noisy.data);
                ++ours.frames;
                bool seen = false;
                for (const trk::CMarkerMatrix& m : det.GetMarkers()) {
                    if (trk::MarkerNumberOfCode(m.code) != 3)
                        continue;
                    seen = true;
                    ++ours.detected;
                    ours.maxTiltError = std::max(ours.maxTiltError, LineAngleDeg(Normal(m.rotation), trueNormal));
                    if (havePrevOurs) {
                        const float j = trk::RotationDistanceDeg(prevQ, m.rotation);
                        ours.maxJump = std::max(ours.maxJump, j);
                        ours.flips += j > 10.0f ? 1 : 0;
                    }
                    prevQ = m.rotation;
                }
                havePrevOurs = seen;

                AddNoise(arucoPicture, noisy, sigma, seed);
                cv::cvtColor(noisy, grey, cv::COLOR_BGR2GRAY);
                cv::aruco::detectMarkers(grey, dict, corners, ids, params);
                ++aruco.frames;
                seen = false;
                for (size_t k = 0; k < ids.size(); ++k) {
                    if (ids[k] != 3)
                        continue;
                    cv::Vec3d rvec, tvec;
                    cv::solvePnP(object, corners[k], K, cv::noArray(), rvec, tvec, false, cv::SOLVEPNP_IPPE_SQUARE);
                    cv::Matx33d R;
                    cv::Rodrigues(rvec, R);
                    seen = true;
                    ++aruco.detected;
                    // OpenCV's camera looks along +z, ours along -z.
                    const cv::Vec3f n(static_cast<float>(R(0, 2)), static_cast<float>(R(1, 2)),
                                      static_cast<float>(-R(2, 2)));
                    aruco.maxTiltError = std::max(aruco.maxTiltError, LineAngleDeg(n, trueNormal));
                    if (havePrevAruco) {
                        const float j = MatrixAngleDeg(prevR, R);
                        aruco.maxJump = std::max(aruco.maxJump, j);
                        aruco.flips += j > 10.0f ? 1 : 0;
                    }
                    prevR = R;
                }
                havePrevAruco = seen;
            }
            const float side = std::sqrt(PolygonArea(oursClean.truth[0].corners));
            std::printf(
                "| %.0f | %.0f | %.0f | %.0f° | %.0f%% | %.2f° | %ld | %.2f° | %.0f%% | %.2f° | %ld | %.2f° |\n", d,
                side, sigma, tilt, 100.0 * ours.detected / ours.frames, ours.maxJump, ours.flips, ours.maxTiltError,
                100.0 * aruco.detected / aruco.frames, aruco.maxJump, aruco.flips, aruco.maxTiltError);
            std::fflush(stdout);
            for (auto [tot, s] : {std::pair<Stability*, Stability*>{&totalOurs, &ours}, {&totalAruco, &aruco}}) {
                tot->frames += s->frames;
                tot->detected += s->detected;
                tot->flips += s->flips;
                tot->maxJump = std::max(tot->maxJump, s->maxJump);
                tot->maxTiltError = std::max(tot->maxTiltError, s->maxTiltError);
            }
        }
    std::printf("| **all** | | | | %.1f%% | **%.2f°** | **%ld** | %.2f° | %.1f%% | **%.2f°** | **%ld** | %.2f° |\n",
                100.0 * totalOurs.detected / totalOurs.frames, totalOurs.maxJump, totalOurs.flips,
                totalOurs.maxTiltError, 100.0 * totalAruco.detected / totalAruco.frames, totalAruco.maxJump,
                totalAruco.flips, totalAruco.maxTiltError);
}

// ---------------------------------------------------------------------------------------------

float DefaultDecimate()
{
    apriltag_detector_t* td = apriltag_detector_create();
    const float d = td->quad_decimate;
    apriltag_detector_destroy(td);
    return d;
}

std::string CpuName()
{
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("model name", 0) == 0) {
            const size_t colon = line.find(':');
            return colon == std::string::npos ? line : line.substr(colon + 2);
        }
    return "unknown";
}

void RunSpeed(const Options& opt, const cv::Ptr<cv::aruco::Dictionary>& dict)
{
    AprilFamilies april;
    std::vector<ScenarioResult> results;
    const int sizes[][2] = {{640, 480}, {1280, 720}};
    const int counts[] = {1, 5, 20};
    for (const auto& sz : sizes)
        for (int n : counts)
            for (const Condition& cond : kConditions) {
                results.push_back(RunScenario(sz[0], sz[1], n, cond, opt, dict, april));
                const ScenarioResult& r = results.back();
                std::fprintf(stderr,
                             "%dx%d %2d %-12s ours %.3f ms (%.0f%%)  floor %.3f  ArUco %.3f (%.0f%%)  16h5 %.3f "
                             "(%.0f%%)  36h11 %.3f (%.0f%%)\n",
                             r.width, r.height, r.markers, r.condition, r.ms[0], r.rate[0], r.ms[1], r.ms[2], r.rate[2],
                             r.ms[3], r.rate[3], r.ms[4], r.rate[4]);
            }

    std::printf("\n## Time per frame (median, ms) and ratios, side by side in this run\n\n");
    std::printf("| frame | markers | condition | ours | floor | ours / floor | ArUco | ArUco / ours | tag16h5 | "
                "tag16h5 / ours | "
                "tag36h11 | tag36h11 / ours |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|---|---|\n");
    for (const ScenarioResult& r : results)
        std::printf("| %dx%d | %d | %s | %.3f | %.3f | %.2f | %.3f | %.1f | %.3f | %.1f | %.3f | %.1f |\n", r.width,
                    r.height, r.markers, r.condition, r.ms[0], r.ms[1], r.ms[0] / r.ms[1], r.ms[2], r.ms[2] / r.ms[0],
                    r.ms[3], r.ms[3] / r.ms[0], r.ms[4], r.ms[4] / r.ms[0]);

    std::printf("\n## Detection rate (%% of markers in view found with the right id and corners within %.0f px)\n\n",
                static_cast<double>(kCornerTolerance));
    std::printf("In brackets: false detections per frame (a wrong id, an id found twice, or corners off). "
                "Ours 1st pass: a fresh detector's first pass over the scenes (threshold 120 to start). "
                "Corner error: median of the largest corner error per found marker, px.\n\n");
    std::printf(
        "| frame | markers | condition | ours 1st pass | ours | ArUco | tag16h5 | tag36h11 | our mean threshold | "
        "corner err ours / ArUco / 36h11 |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|\n");
    for (const ScenarioResult& r : results)
        std::printf("| %dx%d | %d | %s | %.0f | %.1f (%.2f) | %.1f (%.2f) | %.1f (%.2f) | %.1f (%.2f) | %.0f | %.2f / "
                    "%.2f / %.2f |\n",
                    r.width, r.height, r.markers, r.condition, r.firstPassRate, r.rate[0], r.fpf[0], r.rate[2],
                    r.fpf[2], r.rate[3], r.fpf[3], r.rate[4], r.fpf[4], r.meanThreshold,
                    static_cast<double>(r.cornerMedian[0]), static_cast<double>(r.cornerMedian[2]),
                    static_cast<double>(r.cornerMedian[4]));
    std::printf("\n## Where our time goes (median ms, same run)\n\n");
    std::printf("| frame | markers | condition | floor | ours without sub-pixel | ours | found without sub-pixel | "
                "corner err without |\n");
    std::printf("|---|---|---|---|---|---|---|---|\n");
    for (const ScenarioResult& r : results)
        std::printf("| %dx%d | %d | %s | %.3f | %.3f | %.3f | %.1f | %.2f |\n", r.width, r.height, r.markers,
                    r.condition, r.ms[1], r.ms[5], r.ms[0], r.rate[5], static_cast<double>(r.cornerMedian[5]));
    long wrong = 0;
    for (const ScenarioResult& r : results)
        wrong += r.wrongCorner0;
    std::printf("\nOur markers found with a corner 0 other than the printed corner 0: %ld.\n", wrong);
}

} // namespace

int main(int argc, char** argv)
{
    Options opt;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0) {
            opt.quick = true;
        } else if (std::strcmp(argv[i], "--speed-only") == 0) {
            opt.pose = false;
        } else if (std::strcmp(argv[i], "--pose-only") == 0) {
            opt.speed = false;
        } else {
            std::fprintf(stderr, "usage: %s [--quick] [--speed-only | --pose-only]\n", argv[0]);
            return 2;
        }
    }
    // One thread for everyone: the peers parallelise internally unless told not to.
    cv::setNumThreads(1);
    const cv::Ptr<cv::aruco::Dictionary> dict = cv::aruco::getPredefinedDictionary(cv::aruco::DICT_4X4_50);

    std::printf("# Tracker benchmark%s\n\n", opt.quick ? " (quick)" : "");
    std::printf(
        "CPU: %s, %d hardware threads; %s build; OpenCV %s (1 thread); AprilTag %s (nthreads 1, quad_decimate %.1f).\n",
        CpuName().c_str(), cv::getNumberOfCPUs(), QUORVANE_BUILD_TYPE, CV_VERSION, QUORVANE_APRILTAG_VERSION,
        static_cast<double>(DefaultDecimate()));
    std::fflush(stdout);
    if (opt.speed)
        RunSpeed(opt, dict);
    if (opt.pose)
        RunPoseStability(opt, dict);
    return 0;
}
