#pragma once
// One way to spread independent items over threads. Items are handed out in index order to up
// to `workers` threads, the caller's among them; each thread is told its number, so it can keep
// state of its own (an encoder's table) across the items it takes.
//
// A failing item stops the hand-out of every later item; items already taken finish. The
// failure of the lowest index is raised once all threads are done, so every item before it
// has been done, whatever the number of threads. No more threads to be had is not a failure:
// the threads already running share the work.
#include <cstddef>
#include <functional>

namespace pixmira {

// thread: 0 for the caller, 1 ... workers-1 for the others.
void ParallelFor(std::size_t count, int workers,
                 const std::function<void(std::size_t index, int thread)>& body);

}  // namespace pixmira
