#include "camera/vector3.h"

#include <limits>

// Overflow to infinity and the narrowing of a double follow IEEE rules.
static_assert(std::numeric_limits<float>::is_iec559 && std::numeric_limits<double>::is_iec559);

CVector3& CVector3::operator+=(const CVector3& b) {
    x = x + b.x;
    y = y + b.y;
    z = z + b.z;
    return *this;
}

CVector3 operator+(const CVector3& a, const CVector3& b) {
    return CVector3(a.x + b.x, a.y + b.y, a.z + b.z);
}

CVector3 operator-(const CVector3& a, const CVector3& b) {
    return CVector3(a.x - b.x, a.y - b.y, a.z - b.z);
}

CVector3 operator*(const CVector3& v, float s) {
    return CVector3(v.x * s, v.y * s, v.z * s);
}

namespace {

// The product of two floats is exact in double; only the difference rounds,
// once to double (exact here in the common case) and once to float.
float CrossComponent(float p, float q, float r, float s) {
    const double difference = static_cast<double>(p) * static_cast<double>(q) -
                              static_cast<double>(r) * static_cast<double>(s);
    return static_cast<float>(difference);
}

}  // namespace

CVector3 Cross(const CVector3& a, const CVector3& b) {
    return CVector3(CrossComponent(a.y, b.z, a.z, b.y),
                    CrossComponent(a.z, b.x, a.x, b.z),
                    CrossComponent(a.x, b.y, a.y, b.x));
}
