#include "platform/math/math3d.h"

Matrix Matrix::operator*(const Matrix& o) const { return MatrixMultiply(*this, o); }

Matrix MatrixIdentity()
{
    Matrix r;
    for (int i = 0; i < 4; ++i) r.m[i][i] = 1.0f;
    return r;
}

Matrix MatrixMultiply(const Matrix& a, const Matrix& b)
{
    Matrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
    return r;
}

Matrix MatrixTranslation(float x, float y, float z)
{
    Matrix r = MatrixIdentity();
    r.m[3][0] = x; r.m[3][1] = y; r.m[3][2] = z;
    return r;
}

Matrix MatrixScaling(float x, float y, float z)
{
    Matrix r;
    r.m[0][0] = x; r.m[1][1] = y; r.m[2][2] = z; r.m[3][3] = 1.0f;
    return r;
}

Matrix MatrixRotationX(float a)
{
    Matrix r = MatrixIdentity();
    float c = std::cos(a), s = std::sin(a);
    r.m[1][1] = c; r.m[1][2] = s;
    r.m[2][1] = -s; r.m[2][2] = c;
    return r;
}

Matrix MatrixRotationY(float a)
{
    Matrix r = MatrixIdentity();
    float c = std::cos(a), s = std::sin(a);
    r.m[0][0] = c; r.m[0][2] = -s;
    r.m[2][0] = s; r.m[2][2] = c;
    return r;
}

Matrix MatrixRotationZ(float a)
{
    Matrix r = MatrixIdentity();
    float c = std::cos(a), s = std::sin(a);
    r.m[0][0] = c; r.m[0][1] = s;
    r.m[1][0] = -s; r.m[1][1] = c;
    return r;
}

Matrix MatrixRotationAxis(const Vec3& axis, float a)
{
    Vec3 v = Vec3Normalize(axis);
    float c = std::cos(a), s = std::sin(a), t = 1.0f - c;
    Matrix r = MatrixIdentity();
    r.m[0][0] = t * v.x * v.x + c;       r.m[0][1] = t * v.x * v.y + s * v.z; r.m[0][2] = t * v.x * v.z - s * v.y;
    r.m[1][0] = t * v.x * v.y - s * v.z; r.m[1][1] = t * v.y * v.y + c;       r.m[1][2] = t * v.y * v.z + s * v.x;
    r.m[2][0] = t * v.x * v.z + s * v.y; r.m[2][1] = t * v.y * v.z - s * v.x; r.m[2][2] = t * v.z * v.z + c;
    return r;
}

// Roll about Z, then pitch about X, then yaw about Y.
Matrix MatrixRotationYawPitchRoll(float yaw, float pitch, float roll)
{
    return MatrixRotationZ(roll) * MatrixRotationX(pitch) * MatrixRotationY(yaw);
}

Matrix MatrixRotationQuaternion(const Quat& q)
{
    Matrix r = MatrixIdentity();
    float xx = q.x * q.x, yy = q.y * q.y, zz = q.z * q.z;
    float xy = q.x * q.y, xz = q.x * q.z, yz = q.y * q.z;
    float wx = q.w * q.x, wy = q.w * q.y, wz = q.w * q.z;
    r.m[0][0] = 1 - 2 * (yy + zz); r.m[0][1] = 2 * (xy + wz);     r.m[0][2] = 2 * (xz - wy);
    r.m[1][0] = 2 * (xy - wz);     r.m[1][1] = 1 - 2 * (xx + zz); r.m[1][2] = 2 * (yz + wx);
    r.m[2][0] = 2 * (xz + wy);     r.m[2][1] = 2 * (yz - wx);     r.m[2][2] = 1 - 2 * (xx + yy);
    return r;
}

Matrix MatrixTranspose(const Matrix& a)
{
    Matrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.m[i][j] = a.m[j][i];
    return r;
}

bool MatrixInverse(Matrix* out, float* determinant, const Matrix& a)
{
    // Cofactor expansion on the flattened matrix.
    const float* m = &a.m[0][0];
    float inv[16];
    inv[0] = m[5] * m[10] * m[15] - m[5] * m[11] * m[14] - m[9] * m[6] * m[15] + m[9] * m[7] * m[14] + m[13] * m[6] * m[11] - m[13] * m[7] * m[10];
    inv[4] = -m[4] * m[10] * m[15] + m[4] * m[11] * m[14] + m[8] * m[6] * m[15] - m[8] * m[7] * m[14] - m[12] * m[6] * m[11] + m[12] * m[7] * m[10];
    inv[8] = m[4] * m[9] * m[15] - m[4] * m[11] * m[13] - m[8] * m[5] * m[15] + m[8] * m[7] * m[13] + m[12] * m[5] * m[11] - m[12] * m[7] * m[9];
    inv[12] = -m[4] * m[9] * m[14] + m[4] * m[10] * m[13] + m[8] * m[5] * m[14] - m[8] * m[6] * m[13] - m[12] * m[5] * m[10] + m[12] * m[6] * m[9];
    inv[1] = -m[1] * m[10] * m[15] + m[1] * m[11] * m[14] + m[9] * m[2] * m[15] - m[9] * m[3] * m[14] - m[13] * m[2] * m[11] + m[13] * m[3] * m[10];
    inv[5] = m[0] * m[10] * m[15] - m[0] * m[11] * m[14] - m[8] * m[2] * m[15] + m[8] * m[3] * m[14] + m[12] * m[2] * m[11] - m[12] * m[3] * m[10];
    inv[9] = -m[0] * m[9] * m[15] + m[0] * m[11] * m[13] + m[8] * m[1] * m[15] - m[8] * m[3] * m[13] - m[12] * m[1] * m[11] + m[12] * m[3] * m[9];
    inv[13] = m[0] * m[9] * m[14] - m[0] * m[10] * m[13] - m[8] * m[1] * m[14] + m[8] * m[2] * m[13] + m[12] * m[1] * m[10] - m[12] * m[2] * m[9];
    inv[2] = m[1] * m[6] * m[15] - m[1] * m[7] * m[14] - m[5] * m[2] * m[15] + m[5] * m[3] * m[14] + m[13] * m[2] * m[7] - m[13] * m[3] * m[6];
    inv[6] = -m[0] * m[6] * m[15] + m[0] * m[7] * m[14] + m[4] * m[2] * m[15] - m[4] * m[3] * m[14] - m[12] * m[2] * m[7] + m[12] * m[3] * m[6];
    inv[10] = m[0] * m[5] * m[15] - m[0] * m[7] * m[13] - m[4] * m[1] * m[15] + m[4] * m[3] * m[13] + m[12] * m[1] * m[7] - m[12] * m[3] * m[5];
    inv[14] = -m[0] * m[5] * m[14] + m[0] * m[6] * m[13] + m[4] * m[1] * m[14] - m[4] * m[2] * m[13] - m[12] * m[1] * m[6] + m[12] * m[2] * m[5];
    inv[3] = -m[1] * m[6] * m[11] + m[1] * m[7] * m[10] + m[5] * m[2] * m[11] - m[5] * m[3] * m[10] - m[9] * m[2] * m[7] + m[9] * m[3] * m[6];
    inv[7] = m[0] * m[6] * m[11] - m[0] * m[7] * m[10] - m[4] * m[2] * m[11] + m[4] * m[3] * m[10] + m[8] * m[2] * m[7] - m[8] * m[3] * m[6];
    inv[11] = -m[0] * m[5] * m[11] + m[0] * m[7] * m[9] + m[4] * m[1] * m[11] - m[4] * m[3] * m[9] - m[8] * m[1] * m[7] + m[8] * m[3] * m[5];
    inv[15] = m[0] * m[5] * m[10] - m[0] * m[6] * m[9] - m[4] * m[1] * m[10] + m[4] * m[2] * m[9] + m[8] * m[1] * m[6] - m[8] * m[2] * m[5];
    float det = m[0] * inv[0] + m[1] * inv[4] + m[2] * inv[8] + m[3] * inv[12];
    if (determinant) *determinant = det;
    if (det == 0.0f || !std::isfinite(det)) return false;
    float id = 1.0f / det;
    for (int i = 0; i < 16; ++i) (&out->m[0][0])[i] = inv[i] * id;
    return true;
}

Matrix MatrixLookAtLH(const Vec3& eye, const Vec3& at, const Vec3& up)
{
    Vec3 z = Vec3Normalize(at - eye);
    Vec3 x = Vec3Normalize(Vec3Cross(up, z));
    Vec3 y = Vec3Cross(z, x);
    Matrix r = MatrixIdentity();
    r.m[0][0] = x.x; r.m[0][1] = y.x; r.m[0][2] = z.x;
    r.m[1][0] = x.y; r.m[1][1] = y.y; r.m[1][2] = z.y;
    r.m[2][0] = x.z; r.m[2][1] = y.z; r.m[2][2] = z.z;
    r.m[3][0] = -Vec3Dot(x, eye); r.m[3][1] = -Vec3Dot(y, eye); r.m[3][2] = -Vec3Dot(z, eye);
    return r;
}

Matrix MatrixPerspectiveFovLH(float fovY, float aspect, float zn, float zf)
{
    float ys = 1.0f / std::tan(fovY * 0.5f);
    float xs = ys / aspect;
    Matrix r;
    r.m[0][0] = xs;
    r.m[1][1] = ys;
    r.m[2][2] = zf / (zf - zn);
    r.m[2][3] = 1.0f;
    r.m[3][2] = -zn * zf / (zf - zn);
    return r;
}

Matrix MatrixOrthoLH(float w, float h, float zn, float zf)
{
    Matrix r = MatrixIdentity();
    r.m[0][0] = 2.0f / w;
    r.m[1][1] = 2.0f / h;
    r.m[2][2] = 1.0f / (zf - zn);
    r.m[3][2] = zn / (zn - zf);
    return r;
}

Matrix MatrixOrthoOffCenterLH(float l, float r_, float b, float t, float zn, float zf)
{
    Matrix r = MatrixIdentity();
    r.m[0][0] = 2.0f / (r_ - l);
    r.m[1][1] = 2.0f / (t - b);
    r.m[2][2] = 1.0f / (zf - zn);
    r.m[3][0] = (l + r_) / (l - r_);
    r.m[3][1] = (t + b) / (b - t);
    r.m[3][2] = zn / (zn - zf);
    return r;
}

Vec4 Vec3Transform(const Vec3& v, const Matrix& m)
{
    return {v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0] + m.m[3][0],
            v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1] + m.m[3][1],
            v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2] + m.m[3][2],
            v.x * m.m[0][3] + v.y * m.m[1][3] + v.z * m.m[2][3] + m.m[3][3]};
}

Vec3 Vec3TransformCoord(const Vec3& v, const Matrix& m)
{
    Vec4 r = Vec3Transform(v, m);
    if (r.w == 0.0f) return {r.x, r.y, r.z};
    return {r.x / r.w, r.y / r.w, r.z / r.w};
}

Vec3 Vec3TransformNormal(const Vec3& v, const Matrix& m)
{
    return {v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0],
            v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1],
            v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2]};
}

Quat QuatNormalize(const Quat& q)
{
    float l = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
    if (l == 0.0f) return Quat{};
    return {q.x / l, q.y / l, q.z / l, q.w / l};
}

Quat QuatRotationAxis(const Vec3& axis, float a)
{
    Vec3 v = Vec3Normalize(axis);
    float s = std::sin(a * 0.5f);
    return {v.x * s, v.y * s, v.z * s, std::cos(a * 0.5f)};
}

Quat QuatRotationMatrix(const Matrix& m)
{
    Quat q;
    float tr = m.m[0][0] + m.m[1][1] + m.m[2][2];
    if (tr > 0.0f) {
        float s = std::sqrt(tr + 1.0f) * 2.0f;
        q.w = 0.25f * s;
        q.x = (m.m[1][2] - m.m[2][1]) / s;
        q.y = (m.m[2][0] - m.m[0][2]) / s;
        q.z = (m.m[0][1] - m.m[1][0]) / s;
    } else if (m.m[0][0] > m.m[1][1] && m.m[0][0] > m.m[2][2]) {
        float s = std::sqrt(1.0f + m.m[0][0] - m.m[1][1] - m.m[2][2]) * 2.0f;
        q.w = (m.m[1][2] - m.m[2][1]) / s;
        q.x = 0.25f * s;
        q.y = (m.m[1][0] + m.m[0][1]) / s;
        q.z = (m.m[2][0] + m.m[0][2]) / s;
    } else if (m.m[1][1] > m.m[2][2]) {
        float s = std::sqrt(1.0f + m.m[1][1] - m.m[0][0] - m.m[2][2]) * 2.0f;
        q.w = (m.m[2][0] - m.m[0][2]) / s;
        q.x = (m.m[1][0] + m.m[0][1]) / s;
        q.y = 0.25f * s;
        q.z = (m.m[2][1] + m.m[1][2]) / s;
    } else {
        float s = std::sqrt(1.0f + m.m[2][2] - m.m[0][0] - m.m[1][1]) * 2.0f;
        q.w = (m.m[0][1] - m.m[1][0]) / s;
        q.x = (m.m[2][0] + m.m[0][2]) / s;
        q.y = (m.m[2][1] + m.m[1][2]) / s;
        q.z = 0.25f * s;
    }
    return QuatNormalize(q);
}

Quat QuatSlerp(const Quat& a, const Quat& b_, float t)
{
    Quat b = b_;
    float d = a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
    if (d < 0.0f) { d = -d; b = {-b.x, -b.y, -b.z, -b.w}; }
    float wa, wb;
    if (d > 0.9995f) { wa = 1.0f - t; wb = t; }
    else {
        float th = std::acos(d), s = std::sin(th);
        wa = std::sin((1.0f - t) * th) / s;
        wb = std::sin(t * th) / s;
    }
    return QuatNormalize({a.x * wa + b.x * wb, a.y * wa + b.y * wb, a.z * wa + b.z * wb, a.w * wa + b.w * wb});
}

Plane PlaneFromPointNormal(const Vec3& p, const Vec3& n) { return {n.x, n.y, n.z, -Vec3Dot(p, n)}; }

Plane PlaneFromPoints(const Vec3& a, const Vec3& b, const Vec3& c)
{
    return PlaneFromPointNormal(a, Vec3Normalize(Vec3Cross(b - a, c - a)));
}

float PlaneDotCoord(const Plane& p, const Vec3& v) { return p.a * v.x + p.b * v.y + p.c * v.z + p.d; }

bool PlaneIntersectLine(Vec3* out, const Plane& p, const Vec3& a, const Vec3& b)
{
    Vec3 d = b - a;
    float den = p.a * d.x + p.b * d.y + p.c * d.z;
    if (den == 0.0f) return false;
    float t = -PlaneDotCoord(p, a) / den;
    *out = a + d * t;
    return true;
}

Vec3 Vec3Project(const Vec3& v, const Viewport& vp, const Matrix& proj, const Matrix& view, const Matrix& world)
{
    Vec3 c = Vec3TransformCoord(v, world * view * proj);
    return {vp.x + (1.0f + c.x) * 0.5f * vp.width,
            vp.y + (1.0f - c.y) * 0.5f * vp.height,
            vp.minZ + c.z * (vp.maxZ - vp.minZ)};
}

Vec3 Vec3Unproject(const Vec3& v, const Viewport& vp, const Matrix& proj, const Matrix& view, const Matrix& world)
{
    Matrix inv;
    if (!MatrixInverse(&inv, nullptr, world * view * proj)) return Vec3();
    Vec3 c{2.0f * (v.x - vp.x) / vp.width - 1.0f,
           1.0f - 2.0f * (v.y - vp.y) / vp.height,
           (v.z - vp.minZ) / (vp.maxZ - vp.minZ)};
    return Vec3TransformCoord(c, inv);
}
