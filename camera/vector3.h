#pragma once
// The one vector type: three float32 components, copied bit for bit.

class CVector3 {
public:
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    CVector3() = default;
    CVector3(float ax, float ay, float az) : x(ax), y(ay), z(az) {}

    CVector3& operator+=(const CVector3& b);
};

CVector3 operator+(const CVector3& a, const CVector3& b);
CVector3 operator-(const CVector3& a, const CVector3& b);
CVector3 operator*(const CVector3& v, float s);
// Each component is the difference of two exact double products, rounded once.
CVector3 Cross(const CVector3& a, const CVector3& b);
