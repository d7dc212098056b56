#include "texture/rc_object.h"

RCObject::RCObject() : RefCount(new int32_t(1)) {}

// A derived class whose FreeResource matters releases in its own destructor,
// where the override can still be reached; here only the base's runs.
RCObject::~RCObject() {
    if (RefCount) ReleaseRef();
}

void RCObject::ReleaseRef() {
    if (!RefCount) return;
    --*RefCount;
    if (*RefCount == 0) {
        delete RefCount;
        RefCount = nullptr;
        FreeResource();
    }
}

void RCObject::FreeResource() {}
