#pragma once

// The program's own argument memory, which ps and /proc/PID/cmdline show to every local user.
namespace ProcessArguments {

// Overwrites the value of every "--sk=" argument with asterisks where the process keeps it,
// so the session key no longer shows. Read the arguments first: QCoreApplication::arguments()
// reads the same memory.
void hideSessionKeys(int argc, char** argv);

} // namespace ProcessArguments
