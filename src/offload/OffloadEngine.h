#pragma once

#include "offload/AscMhl.h"
#include "offload/OffloadTypes.h"

#include <atomic>

namespace bp::offload {

// Copies a card into one or two offload folders: each source file is read once, hashed as it
// is read and written to every destination through an exclusive temporary that is flushed,
// read back from the disk and hashed again, given the source's modification time and only
// then its final name, never replacing anything. A name taken by the same content counts as
// already there; by other content, the copy gets the sorter's numbered name. Files verified
// by an earlier run (name, size, time and a hash in the destination's history or resume
// journal) are skipped; partial temporaries of an interrupted run are removed. Each
// destination gets a new ASC MHL generation and the run's report. The source is never
// written.
//
// Runs on the calling thread (with helper threads of its own); progress is called on any of
// them at least every 250 ms; cancel may be set from any thread and ends the run soon, with no
// unverified file left under a final name (unless verify is off).
OffloadOutcome runOffload(const OffloadRequest &request, const mhl::Creator &creator,
                          const std::atomic_bool &cancel,
                          const OffloadProgressFunction &progress = {});

} // namespace bp::offload
