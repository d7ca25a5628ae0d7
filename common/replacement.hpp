#pragma once

#include <string>
#include <vector>

namespace kestrune {

// Puts `staged`, a complete file or folder under a hidden temporary name
// beside `target` (see temporaryPathBeside), in place of `target`, so that
// at every instant one complete version of it is there: an earlier target
// is exchanged with it in one step where the file system can, else moved
// aside under a backup name first, and removed once the new one is in.
// Throws std::runtime_error naming the target.
void replaceWithStaged(const std::string& staged, const std::string& target);

// The same for a set of files sharing a base name (a shapefile): every
// earlier file of the set (base + each extension) moves aside, then every
// staged one goes in, then the earlier ones go. A run killed midway leaves
// the earlier set under backup names, which clearLeftovers() puts back.
void replaceFileSet(const std::string& stagedBase, const std::string& targetBase,
                    const std::vector<std::string>& extensions);

// Clears what runs of this host that are gone left in `folder`: an output
// they were making is removed, and an earlier output they had moved aside
// comes back when its successor never arrived (for a set, when any file of
// it is missing). Hidden names of live runs and of other hosts stay. Never
// throws: what cannot be cleared stays for the next run.
void clearLeftovers(const std::string& folder);

}  // namespace kestrune
