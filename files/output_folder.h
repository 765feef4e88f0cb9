// The folder a run writes into, made when it is missing.
#pragma once

#include <string>

// Makes the folder `name` (UTF-8) and those above it that are missing, as "mkdir -p" does.
// Raises AppError naming it, with the system's reason, when it cannot be made.
void MakeFolders(const std::string& name);
