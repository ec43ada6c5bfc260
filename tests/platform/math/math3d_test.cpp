#include "platform/math/math3d.h"
#include <gtest/gtest.h>

static void ExpectVec(const Vec3& a, const Vec3& b, float eps = 1e-4f)
{
    EXPECT_NEAR(a.x, b.x, eps);
    EXPECT_NEAR(a.y, b.y, eps);
    EXPECT_NEAR(a.z, b.z, eps);
}

TEST(Math3d, NormalizeZeroGivesZero)
{
    ExpectVec(Vec3Normalize(Vec3()), Vec3());
    ExpectVec(Vec3Normalize(Vec3(0, 3, 4)), Vec3(0, 0.6f, 0.8f));
}

TEST(Math3d, RowVectorsComposeLeftToRight)
{
    // Scale first, then translate: v * S * T.
    Matrix m = MatrixScaling(2, 2, 2) * MatrixTranslation(1, 0, 0);
    ExpectVec(Vec3TransformCoord(Vec3(1, 1, 1), m), Vec3(3, 2, 2));
    ExpectVec(Vec3TransformNormal(Vec3(1, 0, 0), m), Vec3(2, 0, 0));
}

TEST(Math3d, LeftHandedRotations)
{
    // Left-handed: +90 degrees about Y takes +Z to +X.
    ExpectVec(Vec3TransformCoord(Vec3(0, 0, 1), MatrixRotationY(1.5707964f)), Vec3(1, 0, 0));
    // About X takes +Y to +Z.
    ExpectVec(Vec3TransformCoord(Vec3(0, 1, 0), MatrixRotationX(1.5707964f)), Vec3(0, 0, 1));
    Matrix a = MatrixRotationAxis(Vec3(0, 1, 0), 0.7f), b = MatrixRotationY(0.7f);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(a.m[i][j], b.m[i][j], 1e-5f);
}

TEST(Math3d, InverseAndSingular)
{
    Matrix m = MatrixRotationYawPitchRoll(0.3f, -0.2f, 1.1f) * MatrixTranslation(5, -2, 7);
    Matrix inv;
    ASSERT_TRUE(MatrixInverse(&inv, nullptr, m));
    Matrix id = m * inv;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(id.m[i][j], i == j ? 1.0f : 0.0f, 1e-5f);
    EXPECT_FALSE(MatrixInverse(&inv, nullptr, MatrixScaling(1, 0, 1)));
}

TEST(Math3d, ProjectUnprojectRoundTrip)
{
    Viewport vp{0, 0, 800, 600, 0, 1};
    Matrix view = MatrixLookAtLH(Vec3(0, 0, -10), Vec3(0, 0, 0), Vec3(0, 1, 0));
    Matrix proj = MatrixPerspectiveFovLH(0.785f, 800.0f / 600.0f, 1.0f, 1000.0f);
    Vec3 p(3, -2, 5);
    Vec3 s = Vec3Project(p, vp, proj, view, MatrixIdentity());
    EXPECT_GT(s.x, 400.0f);  // right of centre
    EXPECT_GT(s.y, 300.0f);  // below centre (screen y grows down)
    ExpectVec(Vec3Unproject(s, vp, proj, view, MatrixIdentity()), p, 1e-2f);
    // The centre of the view lands at the centre of the screen at depth in 0..1.
    Vec3 c = Vec3Project(Vec3(0, 0, 0), vp, proj, view, MatrixIdentity());
    EXPECT_NEAR(c.x, 400.0f, 1e-3f);
    EXPECT_NEAR(c.y, 300.0f, 1e-3f);
    EXPECT_GT(c.z, 0.0f);
    EXPECT_LT(c.z, 1.0f);
}
