#include "camera/vector3.h"

#include <cmath>
#include <cstdint>

#include <gtest/gtest.h>

namespace {

// Each component with the products first rounded to float32: the rounding
// the cross product must not do.
CVector3 CrossOfRoundedProducts(const CVector3& a, const CVector3& b) {
    auto component = [](float p, float q, float r, float s) {
        const float pq = p * q;
        const float rs = r * s;
        return pq - rs;
    };
    return CVector3(component(a.y, b.z, a.z, b.y), component(a.z, b.x, a.x, b.z),
                    component(a.x, b.y, a.y, b.x));
}

float ExactComponent(float p, float q, float r, float s) {
    const long double difference = static_cast<long double>(p) * q - static_cast<long double>(r) * s;
    return static_cast<float>(difference);
}

void ExpectSameVector(const CVector3& expected, const CVector3& actual) {
    EXPECT_EQ(expected.x, actual.x);
    EXPECT_EQ(expected.y, actual.y);
    EXPECT_EQ(expected.z, actual.z);
}

}  // namespace

TEST(Vector3Test, DefaultConstructionGivesPositiveZeros) {
    const CVector3 v;
    for (float component : {v.x, v.y, v.z}) {
        EXPECT_EQ(0.0f, component);
        EXPECT_FALSE(std::signbit(component));
    }
}

TEST(Vector3Test, ScalingByZeroKeepsTheSignOfEachComponent) {
    const CVector3 v = CVector3(-3.0f, 2.0f, -0.5f) * 0.0f;
    EXPECT_TRUE(std::signbit(v.x));
    EXPECT_FALSE(std::signbit(v.y));
    EXPECT_TRUE(std::signbit(v.z));
    EXPECT_EQ(0.0f, v.x);
}

TEST(Vector3Test, CrossOfStartDirectionAndUpPointsAlongNegativeX) {
    ExpectSameVector(CVector3(-1.0f, 0.0f, 0.0f), Cross(CVector3(0, 0, 1), CVector3(0, 1, 0)));
}

// Each case puts, in one component, two products whose float32 roundings
// would cancel differently from the exact products.
TEST(Vector3Test, CrossRoundsOnlyTheDifferenceOfExactProducts) {
    const float onePlus12 = 1.0f + std::ldexp(1.0f, -12);
    const float onePlus22 = 1.0f + std::ldexp(1.0f, -22);
    const float onePlus23 = 1.0f + std::ldexp(1.0f, -23);
    const struct {
        CVector3 a, b;
    } cases[] = {
        {{0.0f, onePlus12, 1.0f}, {0.0f, 1.0f, onePlus12}},  // x: 2^-11 + 2^-24
        {{4096.0f, 0.0f, 4097.0f}, {4097.0f, 0.0f, 4098.0f}},  // y: 1
        {{onePlus23, 1.0f, 0.0f}, {onePlus22, onePlus23, 0.0f}},  // z: 2^-46
    };
    for (const auto& c : cases) {
        const CVector3& a = c.a;
        const CVector3& b = c.b;
        const CVector3 expected(ExactComponent(a.y, b.z, a.z, b.y), ExactComponent(a.z, b.x, a.x, b.z),
                                ExactComponent(a.x, b.y, a.y, b.x));
        const CVector3 rounded = CrossOfRoundedProducts(a, b);
        ASSERT_FALSE(expected.x == rounded.x && expected.y == rounded.y && expected.z == rounded.z)
            << "the case does not tell the two roundings apart";
        ExpectSameVector(expected, Cross(a, b));
        ExpectSameVector(CVector3(-expected.x, -expected.y, -expected.z), Cross(b, a));
    }
    EXPECT_EQ(std::ldexp(1.0f, -11) + std::ldexp(1.0f, -24), Cross(cases[0].a, cases[0].b).x);
    EXPECT_EQ(1.0f, Cross(cases[1].a, cases[1].b).y);
    EXPECT_EQ(std::ldexp(1.0f, -46), Cross(cases[2].a, cases[2].b).z);
}

TEST(Vector3Test, SwappedCrossIsTheExactNegation) {
    const CVector3 a(0.1f, -7.25f, 3.3e5f), b(-2.7f, 1e-3f, 0.333f);
    const CVector3 ab = Cross(a, b), ba = Cross(b, a);
    ExpectSameVector(CVector3(-ab.x, -ab.y, -ab.z), ba);
    ExpectSameVector(CVector3(), Cross(a, a));
}
