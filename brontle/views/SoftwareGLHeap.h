#pragma once
// Keeps a software OpenGL driver's per-frame memory in the process.
//
// Mesa's llvmpipe bins every primitive of a frame into freshly allocated memory and frees it
// once the frame is drawn. glibc returns freed memory at the top of the heap to the kernel when
// more than 128 KB of it collects, so the next frame faults all those pages in again and the
// kernel zeroes each one: about two fifths of the CPU time of a 2D frame with 200,000 wires.
// Raising the trim threshold to 64 MB keeps that memory between frames.

namespace brontle {

// Call with the context's GL_RENDERER text (null is ignored). Acts only for the software
// rasterisers (llvmpipe, softpipe) and only with glibc; process-wide, at most once. Setting the
// threshold also stops glibc from moving its large-allocation threshold on its own.
void keepFreedHeapForSoftwareGL(const char* renderer);

} // namespace brontle
