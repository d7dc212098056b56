#pragma once
// Tells a person waiting on a large heightmap what is going on: each step on
// a line of standard error as it starts.
#include <string>

class Progress {
public:
    explicit Progress(bool enabled) : enabled_(enabled) {}
    void Step(const std::string& step) const;

private:
    bool enabled_;
};
