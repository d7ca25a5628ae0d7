#pragma once

#include "common/swap_journal.hpp"

#include <string>

namespace kestrune {

// The workspace's INFO folder, through which ArcGIS finds a GRID's bounds
// and statistics: the tables NAME.BND and NAME.STA, each a record in
// info/arc.dir and a pair info/arcNNNN.nit (its fields) and arcNNNN.dat
// (the path of its data file in the GRID's folder). Updates of one
// workspace are serialised, within this process and across processes.

// Adds or renews the tables of GRID `name`: a live entry of that name keeps
// its place and number; a new table takes the first deleted entry and its
// number, else the next number at the end. Throws std::runtime_error.
void addGridTables(const std::string& workspace, const std::string& name);

// Marks the tables of GRID `name` deleted and removes their files.
void removeGridTables(const std::string& workspace, const std::string& name);

// What a GRID's replacement does once it is in, as its journal names it
// ("info tables NAME"), and what a run completing the replacement of a
// killed one does in its place: addGridTables for the name.
std::string gridTablesAftercare(const std::string& name);
SwapAftercare gridTablesAftercareIn(const std::string& workspace);

// Gives every GRID of the workspace whose tables are missing from arc.dir
// (a run killed before it wrote them, or one of an older Kestrune) its
// tables, from its own files. Only for a workspace that may be written.
void addMissingGridTables(const std::string& workspace);

}  // namespace kestrune
