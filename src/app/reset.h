// One call that puts every global record of the program back to its
// start-up state and frees what they hold (used at exit and by the tests).
#pragma once

namespace kestrel {

void ResetProgramState();

}  // namespace kestrel
