// SPDX-License-Identifier: MIT
// Draws and pushes N status frames and exits: run under callgrind twice
// with different N, the difference gives the instructions of one frame.
//   frame_count N
#include <cstdlib>

#include "bench/status_frame.h"

int main(int argc, char** argv)
{
    const long frames = argc > 1 ? std::atol(argv[1]) : 1;
    startFrames();
    for (long i = 0; i < frames; ++i) drawAndPushFrame();
    return 0;
}
