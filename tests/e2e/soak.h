// The long run: `--soak N` runs N cycles of a user's session against the
// installed program, instead of the session and the fault table, and watches
// what the program's process holds from cycle to cycle.
#pragma once

namespace e2e {

// Takes `--soak N` out of the arguments and chooses what the driver runs;
// false when the arguments are wrong.
bool ChooseRun(int* argc, wchar_t** argv);

}  // namespace e2e
