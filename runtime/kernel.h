// General operations the handlers are written against: random numbers, files, the database image
// decompression, the runtime's native database layer, event processing and screen metrics.
// Texts and dates are in runtime/text.h and runtime/datetime.h.
#pragma once

#include "runtime/text.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace rt {

// ---- random numbers ----

uint32_t tickCount(); // milliseconds since an arbitrary start, wrapping like a 32-bit tick count
// Without a seed: the tick count plus a rolling value that each call advances by 100 plus the low
// 8 bits of (tick count + rolling value), so two calls in the same millisecond still differ.
void seedRandom();
void seedRandom(int seed);
// An integer in [min, max]; negative bounds count as 0, the bounds may come in either order.
int random(int min = 0, int max = 2147483647);

// ---- files ----

// Directory of the program file, without a trailing separator. initRuntime() makes it the current
// directory.
Text programDirectory();
// For tests only: makes programDirectory() answer `dir` from now on, so a test can run the
// program's flows against a directory of its own; an empty text goes back to the real one.
void setProgramDirectoryForTests(const Text& dir);
// A path as the bytes the C library and the engine open (the locale's file name encoding).
std::string fileSystemPath(const Text& path);
bool fileExists(const Text& path); // a file or a directory
// Creates or replaces the file with the parts written one after the other. The bytes go to a
// temporary file in the same directory that is renamed over the target only when everything was
// written, so a failure leaves no half-written file and an existing file untouched.
bool writeFile(const Text& path, std::initializer_list<Bytes> parts);
bool writeFile(const Text& path, const std::vector<Bytes>& parts);
// Database image format: 4 bytes magic 0x033E0F0D and 4 bytes size S (both little-endian), then a
// zlib stream of at most 2 x S bytes. Empty on any error.
Bytes decompress(const Bytes& packed);

// ---- the runtime's native database layer (never opened by this program) ----

int nativeRecordCount(); // 0, and the native last error becomes -67
void nativeFlush();      // the three reset the native last error to 0
void nativeFlushAll();
void nativeClose();
int nativeLastError();
Text nativeLastErrorText(); // "" for 0, "未设置当前数据库" for -67

// ---- events and screen ----

void processEvents(); // handles every waiting window event, then returns
void delay(int ms);   // processes events until ms milliseconds have passed (busy loop)
int screenWidth();    // primary screen
int screenHeight();

} // namespace rt
