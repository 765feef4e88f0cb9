// The folder a run writes into, made when it is missing.
#pragma once

#include <string>

#include "os_files.h"

// Makes the folder `name` and those above it that are missing, as "mkdir -p" does, one at a
// time from the folder above, under the rule of every save: no link another user may have
// planted is followed. Raises the make-folder error naming it, with the reason, when it
// cannot be made.
void MakeFolders(const std::string& name, OsFiles& os);
