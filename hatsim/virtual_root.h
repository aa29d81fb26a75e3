// SPDX-License-Identifier: MIT
// The folder that stands in for "/" when a program opens a file under /sys
// or /proc: HATSIM_ROOT, or the demo root (a private temporary folder with
// a Pi 4 model text and a thermal file fed by the heat model).
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace hatsim {

// Uses `root` when given (an existing folder other than "/"), else creates
// the demo root. False with a one-line reason on failure.
bool setUpRoot(const char* root, std::string* why);
bool usingDemoRoot();
const char* rootFolder();
// Removes the demo root (no-op for a given root).
void tearDownRoot();
// Async-signal-safe: removes the demo root's own files and folders.
void tearDownDemoRootFromSignal();

// ROOT+path into out; false when it does not fit.
bool mapIntoRoot(const char* path, char* out, std::size_t size);

// Scenario file actions on ROOT+path; false with errno set on failure.
// They change nothing outside ROOT, nor ROOT itself, and follow no link.
bool writeRootFile(const char* path, const char* text, std::size_t length);
bool removeRootPath(const char* path);
bool makeRootDir(const char* path);
// ROOT+path opened as a folder, no link followed on the way; "/" is ROOT.
int openRootFolder(const char* path);

// A file at ROOT+path, read-only, reached without following a symbolic
// link; or its status (stat), likewise. -1 / false with errno set.
int openRootFile(const char* path);
bool statRootFile(const char* path, struct stat* info);

// Demo root only: advance the heat model by elapsedMs and rewrite the
// thermal file. fanOn is the emulated fan's state.
void advanceDemoHeat(int64_t elapsedMs, bool fanOn);

}  // namespace hatsim
