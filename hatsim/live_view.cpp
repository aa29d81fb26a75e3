// SPDX-License-Identifier: MIT
#include "hatsim/live_view.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "hatsim/board_controller.h"
#include "hatsim/clock.h"
#include "hatsim/ssd1306_panel.h"
#include "hatsim/view_render.h"
#include "hatsim/virtual_root.h"

namespace hatsim {

namespace {

constexpr int kFd = STDERR_FILENO;
constexpr long kMinimumRedrawNs = 40000000;  // 25 pictures a second
// Restores the scroll region (which homes the cursor, hence the save and
// restore around it) and shows the cursor again.
constexpr char kRestore[] = "\x1b" "7\x1b[r\x1b" "8\x1b[?25h";

bool active = false;
const char* viewTitle = "hatsim";
PanelStyle style = PanelStyle::braille;
bool trueColour = false;
int rows = 0, columns = 0;
timespec lastDraw{};
char picture[64 * 1024];

void writeAll(const char* bytes, std::size_t length)
{
    while (length > 0) {
        const ssize_t written = write(kFd, bytes, length);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        bytes += written;
        length -= static_cast<std::size_t>(written);
    }
}

void writeText(const char* text) { writeAll(text, std::strlen(text)); }

bool readSize(int* r, int* c)
{
    winsize size{};
    if (ioctl(kFd, TIOCGWINSZ, &size) != 0 || size.ws_row == 0 || size.ws_col == 0) return false;
    *r = size.ws_row;
    *c = size.ws_col;
    return true;
}

// Fits the picture to the terminal and keeps the program's lines below it.
bool layOut()
{
    if (!readSize(&rows, &columns)) return false;
    style = columns >= viewWidth(PanelStyle::halfBlocks) && rows >= viewHeight(PanelStyle::halfBlocks) + 6
                ? PanelStyle::halfBlocks
                : PanelStyle::braille;
    const int height = viewHeight(style);
    if (columns < viewWidth(style) || rows < height + 3) return false;
    char setup[64];
    std::snprintf(setup, sizeof setup, "\x1b[2J\x1b[%d;%dr\x1b[%d;1H", height + 1, rows, height + 1);
    writeText(setup);
    return true;
}

// What the emulated thermal zone says now, for the picture.
bool currentTemperature(double* degrees)
{
    char path[4096];
    if (!mapIntoRoot("/sys/class/thermal/thermal_zone0/temp", path, sizeof path)) return false;
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char text[33];
    const ssize_t got = read(fd, text, sizeof text - 1);
    close(fd);
    if (got <= 0) return false;
    text[got] = '\0';
    char* end = nullptr;
    const long millidegrees = std::strtol(text, &end, 10);
    if (end == text) return false;
    *degrees = static_cast<double>(millidegrees) / 1000.0;
    return true;
}

bool colourTerminal()
{
    if (std::getenv("NO_COLOR") != nullptr) return false;
    const char* colour = std::getenv("COLORTERM");
    return colour != nullptr && (std::strcmp(colour, "truecolor") == 0 || std::strcmp(colour, "24bit") == 0);
}

void draw()
{
    int r = 0, c = 0;
    if (readSize(&r, &c) && (r != rows || c != columns) && !layOut()) return;
    ViewInput in;
    in.pixel = panelPixel;
    in.board = boardControllerState();
    in.virtualMs = virtualNowMs();
    in.hasTemperature = currentTemperature(&in.temperature);
    in.title = viewTitle;
    in.style = style;
    in.trueColour = trueColour;
    // Save the cursor (it belongs to the program's lines), draw from the
    // top, and put the cursor back.
    std::size_t used = 0;
    const char head[] = "\x1b" "7\x1b[?25l\x1b[H";
    std::memcpy(picture, head, sizeof head - 1);
    used = sizeof head - 1;
    used += renderView(in, picture + used, sizeof picture - used - 8);
    const char tail[] = "\x1b" "8";
    std::memcpy(picture + used, tail, sizeof tail - 1);
    used += sizeof tail - 1;
    writeAll(picture, used);
}

}  // namespace

bool startLiveView(const char* title)
{
    if (isatty(kFd) != 1) return false;
    viewTitle = title;
    trueColour = colourTerminal();
    if (!layOut()) return false;
    active = true;
    draw();
    clock_gettime(CLOCK_MONOTONIC, &lastDraw);
    return true;
}

void refreshLiveView(bool force)
{
    if (!active) return;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const long long elapsed =
        (now.tv_sec - lastDraw.tv_sec) * 1000000000LL + (now.tv_nsec - lastDraw.tv_nsec);
    if (!force && elapsed < kMinimumRedrawNs) return;
    lastDraw = now;
    draw();
}

void stopLiveView()
{
    if (!active) return;
    draw();
    active = false;
    writeAll(kRestore, sizeof kRestore - 1);
}

void restoreTerminalFromSignal()
{
    if (active) writeAll(kRestore, sizeof kRestore - 1);
}

}  // namespace hatsim
