#pragma once
// Finds where this program keeps its files on this machine: beside the executable when that folder
// is writable and not an installation, else in the user's configuration folder, which is created
// here.

#include <string>

#include "app/Folders.h"

namespace korva {

struct LocatedPlaces {
    ProgramPlaces places;
    // Set when the configuration folder was needed but could not be created: the Shift-JIS text
    // "%s に書き込めません" with its path, for the user to see. The program still runs; saving
    // then reports the same trouble.
    std::string problem;
};

// sjisExecutableFolder: the folder of the running executable. Reads XDG_CONFIG_HOME and HOME.
LocatedPlaces LocateProgramPlaces(const std::string& sjisExecutableFolder);

}  // namespace korva
