// How the preview's process holds its memory.
#pragma once

// Large blocks go back to the system as soon as they are freed. Every frame is a few megabytes,
// made on the render or capture thread and let go on the window's: the C library would otherwise
// keep such blocks in the making thread's heap and raise its threshold with each, so that the
// process held several times what its frames need. Called once, before any thread starts.
void returnLargeBlocksAtOnce();
