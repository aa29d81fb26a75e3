// SPDX-License-Identifier: MIT
#include "apps/sysglance/effect_rotation.h"

namespace {

constexpr int kPassesPerEffect = 10;
constexpr int kRotation[] = {kStartEffect, 4, 2, 1};

}  // namespace

int rotateEffect(int* counter) { return rotateEffectThrough(counter, kRotation, 4); }

int rotateEffectThrough(int* counter, const int* effects, int count)
{
    // The counter is tested before it moves on, so the first change comes
    // on the 11th pass.
    int effect = kNoEffectChange;
    if (count > 1 && *counter > 0 && *counter % kPassesPerEffect == 0) {
        const int step = *counter / kPassesPerEffect;
        effect = effects[step % count];
        if (step == count) *counter = 0;
    }
    ++*counter;
    return effect;
}
