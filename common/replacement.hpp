#pragma once

#include "common/swap_journal.hpp"

#include <functional>
#include <string>
#include <vector>

namespace kestrune {

// Puts the folder `staged`, complete under a hidden name beside `target`
// (see temporaryPathBeside), in place of `target`: in one step where the file
// system can exchange two names, else with an earlier target moved aside
// first. `whenIn` runs once the new folder is in, before the earlier one goes
// (a GRID's INFO entries); `afterwards` names it for a run that completes
// the replacement after this one was killed (see SwapAftercare). The whole
// replacement is journaled and holds the folder's lock; a failure undoes
// it (the earlier target back, the new one gone) before it is thrown.
// Throws std::runtime_error naming the target.
void replaceFolder(const std::string& staged, const std::string& target, const std::string& afterwards,
                   const std::function<void()>& whenIn);

// The same for a set of files sharing a base name (a shapefile): every
// earlier file of the set (base + each extension) moves aside, then every
// staged one goes in, then the earlier ones go.
void replaceFileSet(const std::string& stagedBase, const std::string& targetBase,
                    const std::vector<std::string>& extensions);

// Clears what runs that are gone left in `folder`: replacements they began
// are completed or undone (see settleRecordedSwaps, `aftercare` for what
// their owners did once the new output was in), and the outputs they were
// making are removed. Hidden names of live runs, and outputs being made by
// runs of other hosts, stay. Never throws: what cannot be cleared stays for
// the next run.
void clearLeftovers(const std::string& folder, const SwapAftercare& aftercare = {});

}  // namespace kestrune
