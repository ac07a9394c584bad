#pragma once
// Step times of a portal pick for the click bench: with PICTAVO_PICK_TRACE
// set in the environment, each step writes "pick-trace STEP MICROSECONDS"
// (wall clock since 1970, so another process can line it up with its own
// clock) to the diagnostic output. Unset, a step costs one flag test.
namespace engine {

void PickTrace(const char* step);

} // namespace engine
