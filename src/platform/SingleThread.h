// Whether the process runs a single thread, so that counts and lists shared between objects
// need no atomic operations or locks for the moment. The C library knows; once a second thread
// has started, the answer stays false for good, and only the one thread there is can start
// another, so an answer taken at the start of a short operation holds until its end.
#pragma once

#if __has_include(<sys/single_threaded.h>)
#include <sys/single_threaded.h>
inline bool ProcessIsSingleThreaded() { return __libc_single_threaded != 0; }
#else
inline bool ProcessIsSingleThreaded() { return false; }
#endif
