#include "save_rules.h"

#include "app_error.h"
#include "file_errors.h"
#include "file_handle.h"
#include "file_messages.h"

using namespace file_messages;

void SaveRules::Protect(const std::string& input, std::optional<FileId> opened) {
  if (opened) inputs_.push_back({*opened, input});
  if (const auto facts = os_.FactsOf(input); facts && (!opened || facts->id != *opened))
    inputs_.push_back({facts->id, input});
}

int SaveRules::Claim(const std::string& input, const std::vector<SaveOutput>& outputs) {
  const int claim = claims_++;
  std::vector<Claimed> claimed;
  for (const auto& output : outputs)
    claimed.push_back({claim, input, output, PlaceOfSave(output.name, os_, output.followLink)});
  Check(claim, claimed);
  claimed_.insert(claimed_.end(), claimed.begin(), claimed.end());
  return claim;
}

SaveTerms SaveRules::TermsFor(const SaveOutput& output) const {
  SaveTerms terms;
  terms.followLink = output.followLink;
  terms.judge = [output, inputs = inputs_](OsFiles& os, int folder, const std::string& leaf,
                                           const FileFacts& facts) {
    for (const auto& input : inputs) {
      if (facts.id == input.id)
        throw AppError(ErrorKind::Refused,
                       Filled(kWouldReplaceInput, {output.kind, output.name, input.name}));
    }
    if (!output.isOwn) return;
    // Judged on the file itself, opened without following a link and without waiting.
    const FileHandle file(
        os, facts.kind == FileFacts::Kind::Regular ? os.OpenToRead(folder, leaf) : -1);
    const auto opened = file.IsOpen() ? os.FactsOf(file.fd()) : std::nullopt;
    if (!opened || opened->kind != FileFacts::Kind::Regular || opened->id != facts.id ||
        !output.isOwn(os, file.fd())) {
      throw AppError(ErrorKind::Refused, output.refusal, {}, os.FullPath(output.name));
    }
  };
  return terms;
}

std::vector<std::unique_ptr<AtomicFile>> SaveRules::Open(int claim) {
  std::vector<std::unique_ptr<AtomicFile>> files;
  std::vector<Claimed> opened;
  for (auto& claimed : claimed_) {
    if (claimed.claim != claim) continue;
    files.push_back(
        std::make_unique<AtomicFile>(claimed.output.name, os_, TermsFor(claimed.output)));
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
        throw AppError(ErrorKind::Refused,
                       Filled(kWouldReplaceInput, {it->output.kind, it->output.name, input.name}));
    }
    for (auto before = outputs.begin(); before != it; ++before) {
      if (SameFile(before->place, it->place)) {
        throw AppError(ErrorKind::Refused,
                       Filled(kOutputsAreOneFile, {before->output.kind, before->output.name,
                                                   it->output.kind, it->output.name}));
      }
    }
    for (const auto& other : claimed_) {
      if (other.claim != claim && SameFile(other.place, it->place)) {
        throw AppError(ErrorKind::Refused,
                       Filled(kWouldReplaceOther,
                              {it->output.kind, it->output.name, other.output.kind, other.input}));
      }
    }
  }
}
