#include "save_rules.h"

#include "app_error.h"
#include "file_errors.h"

namespace {

std::string Quoted(const std::string& name) {
  return "\"" + name + "\"";
}

}  // namespace

void SaveRules::Protect(const std::string& input) {
  if (const auto facts = os_.FactsOf(input)) inputs_.push_back({facts->id, input});
}

int SaveRules::Claim(const std::string& input, const std::vector<SaveOutput>& outputs) {
  const int claim = claims_++;
  std::vector<Claimed> claimed;
  for (const auto& output : outputs)
    claimed.push_back({claim, input, output, PlaceOfSave(output.name, os_)});
  Check(claim, claimed);
  claimed_.insert(claimed_.end(), claimed.begin(), claimed.end());
  return claim;
}

std::vector<std::unique_ptr<AtomicFile>> SaveRules::Open(int claim) {
  std::vector<std::unique_ptr<AtomicFile>> files;
  std::vector<Claimed> opened;
  for (auto& claimed : claimed_) {
    if (claimed.claim != claim) continue;
    files.push_back(std::make_unique<AtomicFile>(claimed.output.name, os_));
    const AtomicFile& file = *files.back();
    // A file is written into only if it is the one claimed: one that took its name since
    // (another user's, or a link to one) is not.
    if (file.WritesInPlace() && file.Place().file != claimed.place.file)
      throw ReplacedError(os_, claimed.output.name);
    claimed.place = file.Place();
    opened.push_back(claimed);
  }
  Check(claim, opened);
  return files;
}

void SaveRules::Check(int claim, const std::vector<Claimed>& outputs) const {
  for (auto it = outputs.begin(); it != outputs.end(); ++it) {
    const std::string its = "Its " + it->output.kind + " " + Quoted(it->output.name);
    for (const auto& input : inputs_) {
      if (it->place.file == input.id)
        throw AppError(its + " would replace the input " + Quoted(input.name));
    }
    for (auto before = outputs.begin(); before != it; ++before) {
      if (SameFile(before->place, it->place)) {
        throw AppError("Its " + before->output.kind + " " + Quoted(before->output.name) +
                       " and its " + it->output.kind + " " + Quoted(it->output.name) +
                       " are one file");
      }
    }
    for (const auto& other : claimed_) {
      if (other.claim != claim && SameFile(other.place, it->place)) {
        throw AppError(its + " would replace the " + other.output.kind + " of " +
                       Quoted(other.input));
      }
    }
  }
}
