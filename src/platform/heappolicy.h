#pragma once

// Keeps large temporary buffers out of the main heap. Composed through OpenGL, every repaint of
// a window that holds the web view copied the whole window (see ComposeThreadViewsInSoftware);
// once the C library has seen such a block freed it places the next ones on the heap, where the
// small long-lived allocations of each new post split the holes they leave, so the heap grew by
// about a window per reload for as long as the program ran. Call once, first thing in main().
void KeepLargeBuffersOffTheHeap();
