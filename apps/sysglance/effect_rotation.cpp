// SPDX-License-Identifier: MIT
#include "apps/sysglance/effect_rotation.h"

int rotateEffect(int* counter)
{
    // The counter is tested before it moves on, so the first change comes
    // on the 11th pass.
    int effect = kNoEffectChange;
    switch (*counter) {
    case 10: effect = 4; break;
    case 20: effect = 2; break;
    case 30: effect = 1; break;
    case 40:
        effect = 3;
        *counter = 0;
        break;
    default: break;
    }
    ++*counter;
    return effect;
}
