#pragma once

#include <QString>
#include <cstdio>

// Standard output is where a program's answer goes: when it cannot be written (a reader that
// went away, a full disk, a closed descriptor) there is nobody left to read for, and the
// program ends with exit 1 instead of going on.
namespace StandardStreams {

constexpr int kWriteFailedExitCode = 1;

// Run before anything opens a file. A closed standard input or error is pointed at
// /dev/null, so no file or socket opened later takes its number and receives our text.
// Returns whether standard output is open.
bool prepare();

// Writes the text and flushes it at once (a status bar reads a pipe, which would hold it
// back); whether all of it was written.
bool write(std::FILE* stream, const QString& text);
bool writeLine(std::FILE* stream, const QString& line);

// Says on standard error, after the program's name, that standard output failed; returns
// kWriteFailedExitCode.
int reportFailedOutput(const char* program);

} // namespace StandardStreams
