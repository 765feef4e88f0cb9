#include "save_rules.h"

#include "app_error.h"
#include "file_errors.h"
#include "file_handle.h"
#include "file_messages.h"

using namespace file_messages;

bool IsMissingOrMarked(OsFiles& os, const std::string& name, std::string_view mark) {
  if (!os.FactsOf(name)) return true;
  // The mark is near the top; what cannot be read is not known to be ours.
  FileHandle file(os, os.OpenForReading(name, false));
  if (!file.IsOpen()) return false;
  std::string head(1024, '\0');
  std::size_t got = 0;
  for (long n = 1; n > 0 && got < head.size(); got += static_cast<std::size_t>(n))
    if ((n = os.ReadSome(file.fd(), head.data() + got, head.size() - got)) < 0) return false;
  head.resize(got);
  return head.find(mark) != std::string::npos;
}

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
    for (const auto& input : inputs_) {
      if (it->place.file == input.id)
        throw AppError(Filled(kWouldReplaceInput, {it->output.kind, it->output.name, input.name}));
    }
    for (auto before = outputs.begin(); before != it; ++before) {
      if (SameFile(before->place, it->place)) {
        throw AppError(Filled(kOutputsAreOneFile, {before->output.kind, before->output.name,
                                                   it->output.kind, it->output.name}));
      }
    }
    for (const auto& other : claimed_) {
      if (other.claim != claim && SameFile(other.place, it->place)) {
        throw AppError(Filled(kWouldReplaceOther,
                              {it->output.kind, it->output.name, other.output.kind, other.input}));
      }
    }
  }
}
