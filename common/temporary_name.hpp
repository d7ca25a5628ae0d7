#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kestrune {

// Outputs are made under hidden names beside their targets and moved into
// place when complete:
//   .<target name>.kestrune~<host>~<process>~<counter>[.old][<extension>]
// (a target name too long for that to fit 255 bytes is cut, and ends in
// "~h" and a hash of the whole)
// ".old" marks an earlier output moved aside while its successor goes in;
// the extension is that of a file of a set (".shp" of a shapefile) whose
// target is the set's base name plus the extension. The host and process
// tell a later run whether the run that made the name is gone.

// A fresh hidden name beside `targetPath` (no file is made) such that no
// entry of that name or its backup name (backupPathOf) plus any of
// `suffixes` is there: a leftover of a killed
// run whose process number this process has now never stands in the way.
std::string temporaryPathBeside(const std::string& targetPath, const std::vector<std::string>& suffixes = {""});

// The same name marked as an earlier output moved aside.
std::string backupPathOf(const std::string& temporaryPath);

// What a hidden name says, or none for a name that is not one of ours.
struct TemporaryName {
    std::string target;      // the name in the folder it stands for (unless shortened)
    bool shortened = false;  // a long target's name, made short to fit the file system
    std::string group;       // the hidden name without ".old" and extension: one output
    std::string host;
    long process = 0;
    bool backup = false;
};
std::optional<TemporaryName> parseTemporaryName(const std::string& fileName);

// This machine's name, as temporary names carry it.
const std::string& hostName();

// True when a process of this host with that number is alive.
bool processAlive(long process);

}  // namespace kestrune
