#pragma once

// Keeps large temporary buffers out of the main heap. Every repaint of a window that holds the
// web view copies the whole window (and the software renderer takes more blocks of the kind);
// once the C library has seen such a block freed it places the next ones on the heap, where the
// small long-lived allocations of each new post split the holes they leave, so the heap grew by
// about a window per reload for as long as the program ran. Call once, first thing in main().
void KeepLargeBuffersOffTheHeap();
