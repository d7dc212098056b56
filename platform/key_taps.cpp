#include "platform/key_taps.h"

#include <algorithm>

void TKeyTaps::Pressed(uint32_t window, uint16_t key) {
    // Pressed again before a tick: the key is down, and the release held
    // back from the first tap must not lift it behind the user's finger.
    std::erase_if(held_, [&](const TKeyRelease& release) { return release.Window == window && release.Key == key; });
    const auto same = [&](const TPress& press) { return press.Window == window && press.Key == key; };
    if (std::none_of(unseen_.begin(), unseen_.end(), same)) unseen_.push_back({window, key});
}

bool TKeyTaps::Deferred(const TKeyRelease& release) {
    const auto unseen = std::find_if(unseen_.begin(), unseen_.end(), [&](const TPress& press) {
        return press.Window == release.Window && press.Key == release.Key;
    });
    if (unseen == unseen_.end()) return false;
    held_.push_back(release);
    return true;
}

std::vector<TKeyRelease> TKeyTaps::TickRan() {
    unseen_.clear();
    std::vector<TKeyRelease> released;
    released.swap(held_);
    return released;
}

std::vector<TKeyRelease> TKeyTaps::FocusLost(uint32_t window) {
    std::erase_if(unseen_, [&](const TPress& press) { return press.Window == window; });
    std::vector<TKeyRelease> released;
    for (const TKeyRelease& release : held_)
        if (release.Window == window) released.push_back(release);
    std::erase_if(held_, [&](const TKeyRelease& release) { return release.Window == window; });
    return released;
}
