#include "PoseEstimate.h"

#include <opencv2/core.hpp>

#include <cmath>

namespace trk {

namespace {

// Corner order of the marker model (object points divided by the marker side).
constexpr float kModel[4][2] = {{-0.5f, 0.5f}, {-0.5f, -0.5f}, {0.5f, -0.5f}, {0.5f, 0.5f}};

// Exact homography of four correspondences (model square to image), h22 = 1.
// The 8 x 8 system is solved in double: the image coordinates run to hundreds of pixels and the
// products to 10^5, where single precision would already cost the closed form its accuracy.
void SquareHomography(const SPoint2f p[4], double H[3][3])
{
    cv::Matx<double, 8, 8> A;
    cv::Vec<double, 8> b;
    for (int i = 0; i < 4; ++i) {
        const double X = kModel[i][0], Y = kModel[i][1];
        const double u = p[i].x, v = p[i].y;
        const double r0[8] = {X, Y, 1, 0, 0, 0, -u * X, -u * Y};
        const double r1[8] = {0, 0, 0, X, Y, 1, -v * X, -v * Y};
        for (int k = 0; k < 8; ++k) {
            A(2 * i, k) = r0[k];
            A(2 * i + 1, k) = r1[k];
        }
        b[2 * i] = u;
        b[2 * i + 1] = v;
    }
    cv::Vec<double, 8> h;
    cv::solve(A, b, h, cv::DECOMP_LU);
    for (int k = 0; k < 8; ++k)
        H[k / 3][k % 3] = h[k];
    H[2][2] = 1.0;
}

struct Pose
{
    float q[4]; // x, y, z, w
    float t[3];
};

CVector3 ObjectPoint(int i, float fSize)
{
    return {kModel[i][0] * fSize, kModel[i][1] * fSize, 0.0f};
}

// Residuals (observed minus projected) of the four corners; returns their sum of squares.
float Residuals(const Pose& pose, const SPoint2f p[4], float fSize, float fFocal, float r[8])
{
    const CQuaternion q(pose.q[0], pose.q[1], pose.q[2], pose.q[3]);
    const CMatrix3 R = q.ToMatrix();
    const CVector3 t(pose.t[0], pose.t[1], pose.t[2]);
    float e = 0.0f;
    for (int i = 0; i < 4; ++i) {
        const SPoint2f s = ProjectPoint(R * ObjectPoint(i, fSize) + t, fFocal);
        r[2 * i] = p[i].x - s.x;
        r[2 * i + 1] = p[i].y - s.y;
        e += r[2 * i] * r[2 * i] + r[2 * i + 1] * r[2 * i + 1];
    }
    return e;
}

// Jacobian of the projections with respect to (x, y, z, w, tx, ty, tz). The rotation is taken as
// the product q P q* so that the four quaternion components are free parameters.
void Jacobian(const Pose& pose, float fSize, float fFocal, float J[8][7])
{
    const float x = pose.q[0], y = pose.q[1], z = pose.q[2], w = pose.q[3];
    for (int i = 0; i < 4; ++i) {
        const float Px = kModel[i][0] * fSize, Py = kModel[i][1] * fSize; // Pz = 0
        const float Cx = (w * w + x * x - y * y - z * z) * Px + 2 * (x * y - w * z) * Py + pose.t[0];
        const float Cy = 2 * (x * y + w * z) * Px + (w * w - x * x + y * y - z * z) * Py + pose.t[1];
        const float Cz = 2 * (x * z - w * y) * Px + 2 * (y * z + w * x) * Py + pose.t[2];
        // dC/dq, columns x, y, z, w
        const float dCx[4] = {2 * x * Px + 2 * y * Py, -2 * y * Px + 2 * x * Py, -2 * z * Px - 2 * w * Py,
                              2 * w * Px - 2 * z * Py};
        const float dCy[4] = {2 * y * Px - 2 * x * Py, 2 * x * Px + 2 * y * Py, 2 * w * Px - 2 * z * Py,
                              2 * z * Px + 2 * w * Py};
        const float dCz[4] = {2 * z * Px + 2 * w * Py, -2 * w * Px + 2 * z * Py, 2 * x * Px + 2 * y * Py,
                              -2 * y * Px + 2 * x * Py};
        // u = -f Cx / Cz, v = -f Cy / Cz
        const float invZ = 1.0f / Cz;
        const float invZ2 = invZ * invZ;
        float* Ju = J[2 * i];
        float* Jv = J[2 * i + 1];
        for (int k = 0; k < 4; ++k) {
            Ju[k] = -fFocal * (dCx[k] * Cz - Cx * dCz[k]) * invZ2;
            Jv[k] = -fFocal * (dCy[k] * Cz - Cy * dCz[k]) * invZ2;
        }
        Ju[4] = -fFocal * invZ;
        Ju[5] = 0.0f;
        Ju[6] = fFocal * Cx * invZ2;
        Jv[4] = 0.0f;
        Jv[5] = -fFocal * invZ;
        Jv[6] = fFocal * Cy * invZ2;
    }
}

void InitialPose(const SPoint2f p[4], float fSize, float fFocal, Pose& pose)
{
    double H[3][3];
    SquareHomography(p, H);

    const float d1[3] = {1.0f / fFocal, 1.0f / fFocal, -1.0f};
    const float d2[3] = {1.0f / fSize, 1.0f / fSize, 1.0f};
    CMatrix3 M;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            M(i, j) = static_cast<float>(H[i][j]) * d1[i] * d2[j];
    if (M(2, 2) > 0.0f)
        M = M * -1.0f;

    const CVector3 m0 = M.Column(0), m1 = M.Column(1), m2 = M.Column(2);
    const float l0 = m0.Length(), l1 = m1.Length();
    const float lambda = 2.0f / (l0 + l1);
    const CVector3 t = m2 * lambda;
    const CVector3 r1 = m0 * (1.0f / l0);
    const CVector3 r3 = r1.Cross(m1 * (1.0f / l1)).Normalized();
    const CVector3 r2 = r3.Cross(r1);
    CMatrix3 R;
    R.SetColumn(0, r1);
    R.SetColumn(1, r2);
    R.SetColumn(2, r3);
    const CQuaternion q = CQuaternion::FromMatrix(R);
    for (int k = 0; k < 4; ++k)
        pose.q[k] = q[k];
    for (int k = 0; k < 3; ++k)
        pose.t[k] = t[k];
}

} // namespace

SPoint2f ProjectPoint(const CVector3& c, float fFocal)
{
    return {fFocal * c[0] / -c[2], fFocal * c[1] / -c[2]};
}

void CenterCorners(int nWidth, int nHeight, float cx, float cy, bool bFlipVertical, bool bKeepHorizontal,
                   CSquareMarker& marker)
{
    for (SPoint2f& c : marker.corners) {
        const float x = c.x, y = c.y;
        c.x = bKeepHorizontal ? x - cx : (static_cast<float>(nWidth - 1) - x) - cx;
        c.y = bFlipVertical ? (static_cast<float>(nHeight - 1) - y) - cy : y - cy;
    }
}

float ReprojectionError(const CSquareMarker& marker, float fSize, float fFocal)
{
    Pose pose{};
    for (int k = 0; k < 4; ++k)
        pose.q[k] = marker.rotation[k];
    for (int k = 0; k < 3; ++k)
        pose.t[k] = marker.translation[k];
    float r[8];
    return Residuals(pose, marker.corners, fSize, fFocal, r);
}

void EstimatePose(CSquareMarker& marker, float fSize, float fFocal, int nIterations)
{
    const SPoint2f* p = marker.corners;
    Pose pose{};
    InitialPose(p, fSize, fFocal, pose);

    float r[8];
    float E = Residuals(pose, p, fSize, fFocal, r);
    float lambda = 1.0f;

    float J[8][7];
    float A[7 * 7];
    float g[7];
    float delta[7];
    cv::Mat matA(7, 7, CV_32F, A);
    cv::Mat matG(7, 1, CV_32F, g);
    cv::Mat matDelta(7, 1, CV_32F, delta);

    for (int it = 0; it < nIterations; ++it) {
        Jacobian(pose, fSize, fFocal, J);
        for (int a = 0; a < 7; ++a) {
            for (int b = 0; b < 7; ++b) {
                float s = 0.0f;
                for (int k = 0; k < 8; ++k)
                    s += J[k][a] * J[k][b];
                A[a * 7 + b] = s;
            }
            float s = 0.0f;
            for (int k = 0; k < 8; ++k)
                s += J[k][a] * r[k];
            g[a] = s;
            A[a * 7 + a] += lambda;
        }
        if (!cv::solve(matA, matG, matDelta, cv::DECOMP_LU)) {
            lambda *= 10.0f;
            continue;
        }

        Pose cand{};
        for (int k = 0; k < 4; ++k)
            cand.q[k] = pose.q[k] + delta[k];
        for (int k = 0; k < 3; ++k)
            cand.t[k] = pose.t[k] + delta[4 + k];
        const float n = cand.q[0] * cand.q[0] + cand.q[1] * cand.q[1] + cand.q[2] * cand.q[2] + cand.q[3] * cand.q[3];
        if (!(n > 0.0f)) {
            lambda *= 10.0f;
            continue;
        }
        const float invLen = 1.0f / std::sqrt(n);
        for (float& c : cand.q)
            c *= invLen;
        for (float& c : cand.t)
            c /= n;

        float rc[8];
        const float Ec = Residuals(cand, p, fSize, fFocal, rc);
        if (Ec < E) {
            pose = cand;
            E = Ec;
            std::copy(std::begin(rc), std::end(rc), std::begin(r));
            lambda *= 0.1f;
        } else {
            lambda *= 10.0f;
        }
    }

    marker.rotation = CQuaternion(pose.q[0], pose.q[1], pose.q[2], pose.q[3]);
    marker.translation = CVector3(pose.t[0], pose.t[1], pose.t[2]);
}

} // namespace trk
