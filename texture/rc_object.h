#pragma once
// A reference-counted base whose last release calls FreeResource.
#include <cstdint>

class RCObject {
public:
    RCObject();
    virtual ~RCObject();
    RCObject(const RCObject&) = delete;
    RCObject& operator=(const RCObject&) = delete;

    void ReleaseRef();
    virtual void FreeResource();

protected:
    int32_t* RefCount;
};
