// D3DX-style maths: left-handed space, row vectors (v * M), row-major matrices.
#pragma once
#include <cmath>

struct Vec2 {
    float x = 0, y = 0;
    Vec2() = default;
    Vec2(float x_, float y_) : x(x_), y(y_) {}
};

struct Vec3 {
    float x = 0, y = 0, z = 0;
    Vec3() = default;
    Vec3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
    Vec3 operator+(const Vec3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    Vec3 operator-(const Vec3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    Vec3 operator-() const { return {-x, -y, -z}; }
    Vec3 operator*(float s) const { return {x * s, y * s, z * s}; }
    Vec3 operator/(float s) const { return {x / s, y / s, z / s}; }
    Vec3& operator+=(const Vec3& o) { x += o.x; y += o.y; z += o.z; return *this; }
    Vec3& operator-=(const Vec3& o) { x -= o.x; y -= o.y; z -= o.z; return *this; }
    Vec3& operator*=(float s) { x *= s; y *= s; z *= s; return *this; }
    bool operator==(const Vec3& o) const { return x == o.x && y == o.y && z == o.z; }
    bool operator!=(const Vec3& o) const { return !(*this == o); }
};
inline Vec3 operator*(float s, const Vec3& v) { return v * s; }

struct Vec4 {
    float x = 0, y = 0, z = 0, w = 0;
    Vec4() = default;
    Vec4(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}
};

struct Quat {
    float x = 0, y = 0, z = 0, w = 1;
};

struct Plane {
    float a = 0, b = 0, c = 0, d = 0;
};

// m[row][col]; a point transforms as the row vector [x y z 1] * M.
struct Matrix {
    float m[4][4] = {};
    float& operator()(int r, int c) { return m[r][c]; }
    float operator()(int r, int c) const { return m[r][c]; }
    Matrix operator*(const Matrix& o) const;
};

inline float Vec3Length(const Vec3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }
inline float Vec3LengthSq(const Vec3& v) { return v.x * v.x + v.y * v.y + v.z * v.z; }
inline float Vec3Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 Vec3Cross(const Vec3& a, const Vec3& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
// A zero vector normalises to zero.
inline Vec3 Vec3Normalize(const Vec3& v)
{
    float l = Vec3Length(v);
    return l > 0.0f ? v / l : Vec3();
}
inline Vec3 Vec3Lerp(const Vec3& a, const Vec3& b, float t) { return a + (b - a) * t; }
inline float Vec2Length(const Vec2& v) { return std::sqrt(v.x * v.x + v.y * v.y); }

Matrix MatrixIdentity();
Matrix MatrixMultiply(const Matrix& a, const Matrix& b);
Matrix MatrixTranslation(float x, float y, float z);
Matrix MatrixScaling(float x, float y, float z);
Matrix MatrixRotationX(float a);
Matrix MatrixRotationY(float a);
Matrix MatrixRotationZ(float a);
Matrix MatrixRotationAxis(const Vec3& axis, float a);
Matrix MatrixRotationYawPitchRoll(float yaw, float pitch, float roll);
Matrix MatrixRotationQuaternion(const Quat& q);
Matrix MatrixTranspose(const Matrix& a);
// Returns false (and leaves out untouched) for a singular matrix.
bool MatrixInverse(Matrix* out, float* determinant, const Matrix& a);
Matrix MatrixLookAtLH(const Vec3& eye, const Vec3& at, const Vec3& up);
Matrix MatrixPerspectiveFovLH(float fovY, float aspect, float zn, float zf);
Matrix MatrixOrthoLH(float w, float h, float zn, float zf);
Matrix MatrixOrthoOffCenterLH(float l, float r, float b, float t, float zn, float zf);

// Point: w = 1 and divide by the resulting w. Normal: w = 0, no translation.
Vec3 Vec3TransformCoord(const Vec3& v, const Matrix& m);
Vec3 Vec3TransformNormal(const Vec3& v, const Matrix& m);
Vec4 Vec3Transform(const Vec3& v, const Matrix& m);

Quat QuatRotationMatrix(const Matrix& m);
Quat QuatRotationAxis(const Vec3& axis, float a);
Quat QuatSlerp(const Quat& a, const Quat& b, float t);
Quat QuatNormalize(const Quat& q);

Plane PlaneFromPointNormal(const Vec3& p, const Vec3& n);
Plane PlaneFromPoints(const Vec3& a, const Vec3& b, const Vec3& c);
float PlaneDotCoord(const Plane& p, const Vec3& v);
// False when the line is parallel to the plane.
bool PlaneIntersectLine(Vec3* out, const Plane& p, const Vec3& a, const Vec3& b);

struct Viewport {
    unsigned x = 0, y = 0, width = 0, height = 0;
    float minZ = 0.0f, maxZ = 1.0f;
};
Vec3 Vec3Project(const Vec3& v, const Viewport& vp, const Matrix& proj, const Matrix& view, const Matrix& world);
Vec3 Vec3Unproject(const Vec3& v, const Viewport& vp, const Matrix& proj, const Matrix& view, const Matrix& world);
