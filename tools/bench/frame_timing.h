#pragma once
// What a frame costs against the bare call stream it sends, for the full
// detail and the rings, in pairs timed one right after the other.

namespace bench {

// One frame as the program paints it, full detail or rings.
void Frame(bool lod);

// Starts up in world, checks the two streams alike, then times reps pairs
// of full-detail frames and lodReps pairs of ring frames; prints one
// "result" line.
int RunFrames(const char* world, int reps, int lodReps);

}  // namespace bench
