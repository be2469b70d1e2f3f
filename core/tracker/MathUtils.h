// MathUtils 1.4: the tracker's small single-precision vector, quaternion and matrix types.
// Element access checks its indices with assertions; an index out of range is a programming error.
#pragma once

#include <cassert>
#include <cmath>

// The assertion texts are the library's own, quoted in reports as they stand: the formatter keeps away.
// clang-format off
namespace trk {

class CVector3
{
public:
    CVector3() : m_v{0.0f, 0.0f, 0.0f} {}
    CVector3(float x, float y, float z) : m_v{x, y, z} {}

    float& operator[](int index)
    {
        assert(index==0 || index == 1 || index == 2);
        return m_v[index];
    }
    float operator[](int index) const
    {
        assert(index==0 || index == 1 || index == 2);
        return m_v[index];
    }

    CVector3 operator+(const CVector3& o) const { return {m_v[0] + o.m_v[0], m_v[1] + o.m_v[1], m_v[2] + o.m_v[2]}; }
    CVector3 operator-(const CVector3& o) const { return {m_v[0] - o.m_v[0], m_v[1] - o.m_v[1], m_v[2] - o.m_v[2]}; }
    CVector3 operator*(float s) const { return {m_v[0] * s, m_v[1] * s, m_v[2] * s}; }

    float Dot(const CVector3& o) const { return m_v[0] * o.m_v[0] + m_v[1] * o.m_v[1] + m_v[2] * o.m_v[2]; }
    float Length() const { return std::sqrt(Dot(*this)); }
    CVector3 Cross(const CVector3& o) const
    {
        return {m_v[1] * o.m_v[2] - m_v[2] * o.m_v[1], m_v[2] * o.m_v[0] - m_v[0] * o.m_v[2],
                m_v[0] * o.m_v[1] - m_v[1] * o.m_v[0]};
    }
    // Unit vector in the same direction; a zero vector stays zero.
    CVector3 Normalized() const
    {
        const float len = Length();
        return len > 0.0f ? *this * (1.0f / len) : *this;
    }

private:
    float m_v[3];
};

// Row-major 3 x 3 matrix.
class CMatrix3
{
public:
    CMatrix3() : m_m{1, 0, 0, 0, 1, 0, 0, 0, 1} {}

    float& operator[](int index)
    {
        assert(index>=0 && index <9);
        return m_m[index];
    }
    float operator[](int index) const
    {
        assert(index>=0 && index <9);
        return m_m[index];
    }
    float& operator()(int row, int col)
    {
        assert(row>=0 && row <3 && col>=0 && col <3);
        return m_m[row * 3 + col];
    }
    float operator()(int row, int col) const
    {
        assert(row>=0 && row <3 && col>=0 && col <3);
        return m_m[row * 3 + col];
    }

    CVector3 Column(int col) const
    {
        assert(col>=0 && col <3);
        return {m_m[col], m_m[3 + col], m_m[6 + col]};
    }
    void SetColumn(int col, const CVector3& v)
    {
        assert(col>=0 && col <3);
        m_m[col] = v[0];
        m_m[3 + col] = v[1];
        m_m[6 + col] = v[2];
    }
    CMatrix3 operator*(float s) const
    {
        CMatrix3 r;
        for (int i = 0; i < 9; ++i)
            r.m_m[i] = m_m[i] * s;
        return r;
    }
    CVector3 operator*(const CVector3& v) const
    {
        return {m_m[0] * v[0] + m_m[1] * v[1] + m_m[2] * v[2], m_m[3] * v[0] + m_m[4] * v[1] + m_m[5] * v[2],
                m_m[6] * v[0] + m_m[7] * v[1] + m_m[8] * v[2]};
    }
    const float* Data() const { return m_m; }

private:
    float m_m[9];
};

class CVector4
{
public:
    CVector4() : m_v{0.0f, 0.0f, 0.0f, 0.0f} {}
    CVector4(float x, float y, float z, float w) : m_v{x, y, z, w} {}

    float& operator[](int index)
    {
        assert(index>=0 && index <4);
        return m_v[index];
    }
    float operator[](int index) const
    {
        assert(index>=0 && index <4);
        return m_v[index];
    }
    CVector4 operator*(float s) const { return {m_v[0] * s, m_v[1] * s, m_v[2] * s, m_v[3] * s}; }
    float LengthSquared() const { return m_v[0] * m_v[0] + m_v[1] * m_v[1] + m_v[2] * m_v[2] + m_v[3] * m_v[3]; }

protected:
    float m_v[4];
};

// Rotation quaternion (x, y, z, w).
class CQuaternion : public CVector4
{
public:
    CQuaternion() : CVector4(0.0f, 0.0f, 0.0f, 0.0f) {}
    CQuaternion(float x, float y, float z, float w) : CVector4(x, y, z, w) {}
    CQuaternion(const CVector4& v) : CVector4(v) {}

    float X() const { return m_v[0]; }
    float Y() const { return m_v[1]; }
    float Z() const { return m_v[2]; }
    float W() const { return m_v[3]; }

    // Rotation matrix of a unit quaternion.
    CMatrix3 ToMatrix() const
    {
        const float x = m_v[0], y = m_v[1], z = m_v[2], w = m_v[3];
        CMatrix3 r;
        r(0, 0) = 2.0f * (x * x + w * w) - 1.0f;
        r(0, 1) = 2.0f * (x * y - w * z);
        r(0, 2) = 2.0f * (w * y + x * z);
        r(1, 0) = 2.0f * (x * y + w * z);
        r(1, 1) = 2.0f * (y * y + w * w) - 1.0f;
        r(1, 2) = 2.0f * (y * z - w * x);
        r(2, 0) = 2.0f * (x * z - w * y);
        r(2, 1) = 2.0f * (y * z + w * x);
        r(2, 2) = 2.0f * (z * z + w * w) - 1.0f;
        return r;
    }

    CVector3 Rotate(const CVector3& p) const { return ToMatrix() * p; }

    // Matrix of the conjugate (-x, -y, -z, w) in the row-vector convention of the scene graph
    // (rows of the transposed table). For a unit quaternion it equals ToMatrix(): the view uses
    // its transpose to turn content by this rotation.
    CMatrix3 ConjugateMatrix() const
    {
        const float x = -m_v[0], y = -m_v[1], z = -m_v[2], w = m_v[3];
        CMatrix3 r;
        r(0, 0) = 1.0f - 2.0f * (z * z + y * y);
        r(0, 1) = 2.0f * (w * z + x * y);
        r(0, 2) = 2.0f * (x * z - w * y);
        r(1, 0) = 2.0f * (x * y - w * z);
        r(1, 1) = 1.0f - 2.0f * (z * z + x * x);
        r(1, 2) = 2.0f * (y * z + x * w);
        r(2, 0) = 2.0f * (w * y + x * z);
        r(2, 1) = 2.0f * (y * z - x * w);
        r(2, 2) = 1.0f - 2.0f * (x * x + y * y);
        return r;
    }

    // Quaternion of a rotation matrix. The largest of the four diagonal combinations picks the
    // branch (ties keep the earlier one), which keeps the square root away from zero.
    static CQuaternion FromMatrix(const CMatrix3& m)
    {
        const float T = m(0, 0) + m(1, 1) + m(2, 2);
        const float X = m(0, 0) - m(1, 1) - m(2, 2);
        const float Y = -m(0, 0) + m(1, 1) - m(2, 2);
        const float Z = -m(0, 0) - m(1, 1) + m(2, 2);
        int pick = 0;
        float best = T;
        if (X > best) { pick = 1; best = X; }
        if (Y > best) { pick = 2; best = Y; }
        if (Z > best) { pick = 3; best = Z; }

        float x = 0, y = 0, z = 0, w = 0;
        switch (pick) {
        case 0: {
            w = 0.5f * std::sqrt(T + 1.0f);
            const float s = 1.0f / (4.0f * w);
            x = (m(2, 1) - m(1, 2)) * s;
            y = (m(0, 2) - m(2, 0)) * s;
            z = (m(1, 0) - m(0, 1)) * s;
            break;
        }
        case 1: {
            x = 0.5f * std::sqrt(X + 1.0f);
            const float s = 1.0f / (4.0f * x);
            w = (m(2, 1) - m(1, 2)) * s;
            y = (m(1, 0) + m(0, 1)) * s;
            z = (m(0, 2) + m(2, 0)) * s;
            break;
        }
        case 2: {
            y = 0.5f * std::sqrt(Y + 1.0f);
            const float s = 1.0f / (4.0f * y);
            w = (m(0, 2) - m(2, 0)) * s;
            x = (m(1, 0) + m(0, 1)) * s;
            z = (m(2, 1) + m(1, 2)) * s;
            break;
        }
        default: {
            z = 0.5f * std::sqrt(Z + 1.0f);
            const float s = 1.0f / (4.0f * z);
            w = (m(1, 0) - m(0, 1)) * s;
            x = (m(0, 2) + m(2, 0)) * s;
            y = (m(2, 1) + m(1, 2)) * s;
            break;
        }
        }
        CQuaternion q(x, y, z, w);
        const float len2 = q.LengthSquared();
        if (len2 > 0.0f)
            q = q * (1.0f / std::sqrt(len2));
        return q;
    }
};

} // namespace trk
// clang-format on
