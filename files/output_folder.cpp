#include "output_folder.h"

#include "file_errors.h"
#include "file_handle.h"
#include "path_name.h"

void MakeFolders(const std::string& name, OsFiles& os) {
  std::string leaf;
  // A final separator names the folder itself, the last one to make.
  const FileHandle folder(os, os.OpenSaveFolder(PathIn(name, ""), leaf, {.makeFolders = true}));
  if (!folder.IsOpen()) throw MakeFolderError(os, name, errno);
}
