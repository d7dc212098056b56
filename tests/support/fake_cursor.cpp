#include "tests/support/fake_cursor.h"

TPoint FakeCursor::position;
bool FakeCursor::readable = true;
std::vector<TPoint> FakeCursor::moves;

namespace {
const CursorBackend fakeBackend = {
    [](TPoint* point) {
        if (!FakeCursor::readable) return false;
        *point = FakeCursor::position;
        return true;
    },
    [](int32_t x, int32_t y) {
        FakeCursor::position = TPoint{x, y};
        FakeCursor::moves.push_back(TPoint{x, y});
        return true;
    },
};
}  // namespace

FakeCursor::FakeCursor() : previous_(SetCursorBackend(&fakeBackend)) {
    position = TPoint{};
    readable = true;
    moves.clear();
}

FakeCursor::~FakeCursor() { SetCursorBackend(previous_); }
