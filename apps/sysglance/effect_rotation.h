// SPDX-License-Identifier: MIT
// The light effect rotation: 3 at start-up, then 4, 2, 1, 3 every ten passes.
#pragma once

constexpr int kStartEffect = 3;
constexpr int kNoEffectChange = -1;

// Called once a pass: the effect to write now, or kNoEffectChange; moves
// the counter on.
int rotateEffect(int* counter);

// The same through the owner's `count` effects: the first at start-up, the
// next every ten passes, round again; one effect alone never changes.
int rotateEffectThrough(int* counter, const int* effects, int count);
