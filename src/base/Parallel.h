#pragma once
// Splitting one heavy operation over the processor's cores.
//
// The program itself is single-threaded: an operation may hand parts of its work to helper
// threads, but it returns only when every part is done. Each part must compute exactly what one
// thread would have computed for it, so the result never depends on how many threads ran.
#include <cstddef>
#include <functional>

namespace lumetta {

// How many threads an operation may use at most: the processor's hardware threads, capped.
int WorkerLimit();

// Runs work(begin, end) over [0, count) cut into consecutive bands, one per thread, the
// calling thread taking the first. Bands hold at least `minPerBand` items (so small jobs stay on
// one thread) and start at multiples of `granule`. Returns when all bands are done; the first
// exception thrown by any band is rethrown after the others have finished.
void ForEachBand(std::size_t count, std::size_t minPerBand, std::size_t granule,
                 const std::function<void(std::size_t, std::size_t)>& work);

} // namespace lumetta
