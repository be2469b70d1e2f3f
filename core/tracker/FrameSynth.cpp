#include "FrameSynth.h"

#include "MarkerCodes.h"
#include "MarkerPicture.h"
#include "PoseEstimate.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace trk {

namespace {

constexpr int kShift = 8; // fixed-point bits of the polygon filler

struct Projector
{
    const CMatrix3 R;
    const CVector3 t;
    float focal;
    float cx, cy;
    float k; // supersampling factor

    // Supersampled canvas position of a point of the marker plane, in fixed point.
    cv::Point Canvas(float px, float py) const
    {
        const SPoint2f s = ProjectPoint(R * CVector3(px, py, 0.0f) + t, focal);
        const double x = (static_cast<double>(cx + s.x) + 0.5) * k - 0.5;
        const double y = (static_cast<double>(cy + s.y) + 0.5) * k - 0.5;
        return {static_cast<int>(std::lround(x * (1 << kShift))), static_cast<int>(std::lround(y * (1 << kShift)))};
    }

    void FillRect(cv::Mat& canvas, float x0, float y0, float x1, float y1, const cv::Scalar& colour) const
    {
        const cv::Point pts[4] = {Canvas(x0, y0), Canvas(x1, y0), Canvas(x1, y1), Canvas(x0, y1)};
        cv::fillConvexPoly(canvas, pts, 4, colour, cv::LINE_8, kShift);
    }
};

cv::Mat TexturedBackground(int width, int height, cv::RNG& rng)
{
    // Low-frequency shading with clutter on top: patches, bars, rings, lines and text, some dark
    // and square enough to become candidates.
    cv::Mat small(std::max(2, height / 40), std::max(2, width / 40), CV_8UC3);
    rng.fill(small, cv::RNG::UNIFORM, cv::Scalar::all(60), cv::Scalar::all(230));
    cv::Mat bg;
    cv::resize(small, bg, cv::Size(width, height), 0, 0, cv::INTER_CUBIC);
    const int n = 40;
    for (int i = 0; i < n; ++i) {
        const cv::Scalar colour(rng.uniform(0, 256), rng.uniform(0, 256), rng.uniform(0, 256));
        const cv::Point a(rng.uniform(0, width), rng.uniform(0, height));
        const int size = rng.uniform(5, std::max(6, std::min(width, height) / 6));
        switch (i % 5) {
        case 0:
            cv::rectangle(bg, a, a + cv::Point(size, rng.uniform(5, size + 6)), colour, cv::FILLED);
            break;
        case 1:
            cv::line(bg, a, cv::Point(rng.uniform(0, width), rng.uniform(0, height)), colour, rng.uniform(1, 6));
            break;
        case 2:
            cv::circle(bg, a, size / 2, colour, rng.uniform(1, 8));
            break;
        case 3: {
            const cv::RotatedRect box(cv::Point2f(a), cv::Size2f(size, size * 0.8f), rng.uniform(0.f, 90.f));
            cv::Point2f v[4];
            box.points(v);
            std::vector<cv::Point> poly(v, v + 4);
            cv::fillConvexPoly(bg, poly, cv::Scalar::all(rng.uniform(0, 60)));
            break;
        }
        default:
            cv::putText(bg, "Quorvane", a, cv::FONT_HERSHEY_SIMPLEX, size / 40.0 + 0.4, colour, 2);
            break;
        }
    }
    return bg;
}

} // namespace

cv::Mat SynthFrame::Picture() const
{
    cv::Mat picture;
    cv::flip(frame, picture, 0);
    return picture;
}

CQuaternion AxisAngle(const CVector3& axis, float angle)
{
    const CVector3 a = axis.Normalized();
    const float s = std::sin(angle * 0.5f);
    return {a[0] * s, a[1] * s, a[2] * s, std::cos(angle * 0.5f)};
}

CQuaternion Multiply(const CQuaternion& a, const CQuaternion& b)
{
    const float ax = a.X(), ay = a.Y(), az = a.Z(), aw = a.W();
    const float bx = b.X(), by = b.Y(), bz = b.Z(), bw = b.W();
    return {aw * bx + ax * bw + ay * bz - az * by, aw * by - ax * bz + ay * bw + az * bx,
            aw * bz + ax * by - ay * bx + az * bw, aw * bw - ax * bx - ay * by - az * bz};
}

float RotationDistanceDeg(const CQuaternion& a, const CQuaternion& b)
{
    float dot = std::fabs(a.X() * b.X() + a.Y() * b.Y() + a.Z() * b.Z() + a.W() * b.W());
    const float la = std::sqrt(a.LengthSquared()), lb = std::sqrt(b.LengthSquared());
    if (la > 0.0f && lb > 0.0f)
        dot /= la * lb;
    dot = std::min(1.0f, dot);
    return 2.0f * std::acos(dot) * 57.29578f;
}

SynthMarker PoseMarker(int marker, float d, float spin, float tiltX, float tiltY, float du, float dv, float focal)
{
    constexpr float kDeg = 3.14159265f / 180.0f;
    const CQuaternion qSpin = AxisAngle({0, 0, 1}, spin * kDeg);
    const CQuaternion qTilt = Multiply(AxisAngle({0, 1, 0}, tiltY * kDeg), AxisAngle({1, 0, 0}, tiltX * kDeg));
    SynthMarker m;
    m.marker = marker;
    // The tracker's frame has y down the picture, so a marker facing the camera is turned half
    // round its x axis.
    const CQuaternion qFacing = AxisAngle({1, 0, 0}, 3.14159265f);
    m.rotation = Multiply(qTilt, Multiply(qFacing, qSpin));
    m.translation = CVector3(du * d / focal, dv * d / focal, -d);
    return m;
}

SynthFrame SynthesizeFrame(const std::vector<SynthMarker>& markers, const SynthOptions& o)
{
    SynthFrame out;
    cv::RNG rng(o.seed);
    const int k = std::max(1, o.supersample);
    const float cx = static_cast<float>(o.width) * 0.5f;
    const float cy = static_cast<float>(o.height) * 0.5f;
    const float h = o.markerSize * 0.5f;
    const float cell = o.markerSize / 8.0f;
    const float quiet = h + o.marginCells * cell;

    cv::Mat background = o.background == SynthOptions::Textured
                             ? TexturedBackground(o.width, o.height, rng)
                             : cv::Mat(o.height, o.width, CV_8UC3, cv::Scalar::all(o.backgroundLevel));
    cv::Mat canvas;
    cv::resize(background, canvas, cv::Size(o.width * k, o.height * k), 0, 0, cv::INTER_LINEAR);

    // Farther markers first, so nearer ones cover them.
    std::vector<const SynthMarker*> order;
    for (const SynthMarker& m : markers) {
        if (m.pattern.empty() && (m.marker < 0 || m.marker >= kMarkerCount))
            continue;
        if (!m.pattern.empty() && m.pattern.type() != CV_8UC1)
            continue;
        const CMatrix3 R = m.rotation.ToMatrix();
        bool inFront = true;
        for (float sx : {-quiet, quiet})
            for (float sy : {-quiet, quiet})
                inFront = inFront && (R * CVector3(sx, sy, 0) + m.translation)[2] < -1.0f;
        if (inFront)
            order.push_back(&m);
    }
    std::stable_sort(order.begin(), order.end(),
                     [](const SynthMarker* a, const SynthMarker* b) { return a->translation[2] < b->translation[2]; });

    const cv::Scalar paper = cv::Scalar::all(o.paperLevel);
    const cv::Scalar ink = cv::Scalar::all(o.inkLevel);
    for (const SynthMarker* m : order) {
        const Projector p{m->rotation.ToMatrix(), m->translation, o.focal, cx, cy, static_cast<float>(k)};
        const int code = m->pattern.empty() ? kMarkerCodes[static_cast<size_t>(m->marker)] : -1;
        p.FillRect(canvas, -quiet, -quiet, quiet, quiet, paper);
        p.FillRect(canvas, -h, -h, h, h, ink);
        // On the paper, columns run along +x and rows (top row first) along -y of the marker plane.
        if (m->pattern.empty()) {
            for (int row = 2; row < 6; ++row)
                for (int col = 2; col < 6; ++col)
                    if (!MarkerCellIsBlack(code, col, row))
                        p.FillRect(canvas, -h + col * cell, h - row * cell, -h + (col + 1) * cell, h - (row + 1) * cell,
                                   paper);
        } else {
            const cv::Mat& pat = m->pattern;
            const float cw = o.markerSize / static_cast<float>(pat.cols);
            const float ch = o.markerSize / static_cast<float>(pat.rows);
            for (int row = 0; row < pat.rows; ++row)
                for (int col = 0; col < pat.cols; ++col) {
                    const int v = pat.at<unsigned char>(row, col);
                    if (v == 0)
                        continue;
                    const double level = o.inkLevel + (o.paperLevel - o.inkLevel) * (v / 255.0);
                    p.FillRect(canvas, -h + col * cw, h - row * ch, -h + (col + 1) * cw, h - (row + 1) * ch,
                               cv::Scalar::all(level));
                }
        }

        SynthTruth t;
        t.marker = m->marker;
        t.code = code;
        t.rotation = m->rotation;
        t.translation = m->translation;
        const float model[4][2] = {{-h, h}, {-h, -h}, {h, -h}, {h, h}};
        const CMatrix3 R = m->rotation.ToMatrix();
        for (int i = 0; i < 4; ++i) {
            const SPoint2f s = ProjectPoint(R * CVector3(model[i][0], model[i][1], 0.0f) + m->translation, o.focal);
            t.corners[i] = {cx + s.x, cy + s.y};
        }
        out.truth.push_back(t);
    }

    cv::Mat picture;
    cv::resize(canvas, picture, cv::Size(o.width, o.height), 0, 0, cv::INTER_AREA);

    if (o.gradient != 0.0f) {
        cv::Mat f;
        picture.convertTo(f, CV_32FC3);
        for (int x = 0; x < o.width; ++x) {
            const float gain = 1.0f - o.gradient * static_cast<float>(x) / static_cast<float>(std::max(1, o.width - 1));
            cv::Mat column = f.col(x);
            column *= gain;
        }
        f.convertTo(picture, CV_8UC3);
    }
    if (o.blurSigma > 0.0f)
        cv::GaussianBlur(picture, picture, cv::Size(0, 0), o.blurSigma);
    if (o.noiseSigma > 0.0f) {
        cv::Mat noise(picture.size(), CV_16SC3);
        rng.fill(noise, cv::RNG::NORMAL, cv::Scalar::all(0), cv::Scalar::all(o.noiseSigma));
        cv::Mat wide;
        picture.convertTo(wide, CV_16SC3);
        wide += noise;
        wide.convertTo(picture, CV_8UC3);
    }
    if (o.jpegQuality > 0 && o.jpegQuality <= 100) {
        std::vector<unsigned char> bytes;
        cv::imencode(".jpg", picture, bytes, {cv::IMWRITE_JPEG_QUALITY, o.jpegQuality});
        picture = cv::imdecode(bytes, cv::IMREAD_COLOR);
    }

    cv::flip(picture, out.frame, 0);
    return out;
}

} // namespace trk
