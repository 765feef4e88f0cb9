#include "output_names.h"

#include <filesystem>

#include "path_name.h"
#include "path_text.h"
#include "save_name.h"

std::string OutputNameFor(const std::string& input, const std::string& outputDir,
                          std::string_view extension) {
  if (outputDir.empty()) return SaveNameFor(input, extension);
  return PathIn(outputDir, SaveNameFor(BaseNameOf(input), extension));
}

std::string IndexNameFor(const std::string& firstInput, const std::string& outputDir) {
  const std::filesystem::path page = PathFromText(OutputNameFor(firstInput, outputDir, ".html"));
  return TextFromPath(page.parent_path() / "index.html");
}

std::string PageLink(const std::string& indexName, const std::string& page) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path from =
      fs::weakly_canonical(fs::absolute(PathFromText(indexName)).parent_path(), error);
  const fs::path to = fs::weakly_canonical(fs::absolute(PathFromText(page)), error);
  const fs::path relative = to.lexically_relative(from);
  return error || relative.empty() ? page : GenericTextFromPath(relative);
}
