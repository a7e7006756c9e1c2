#include "text/FontLookup.h"

#include <map>
#include <mutex>
#include <tuple>

#include "text/FontSource.h"

namespace pixmira {
namespace {

// A lookup walks the installed faces, so each answer is kept; only an added file changes them.
struct Answers {
  std::mutex mutex;
  std::map<std::tuple<std::string, bool, bool, char32_t>, std::optional<FontChoice>> known;
};

Answers& TheAnswers() {
  static Answers answers;
  return answers;
}

std::optional<FontChoice> Answer(const std::string& family, bool bold, bool italic, char32_t ch) {
  Answers& answers = TheAnswers();
  std::lock_guard lock(answers.mutex);
  const auto key = std::make_tuple(family, bold, italic, ch);
  if (auto it = answers.known.find(key); it != answers.known.end()) return it->second;
  std::optional<FontChoice> choice = fontsource::Find(family, bold, italic, ch);
  // A text full of characters no font has cannot grow the answers without bound.
  if (answers.known.size() >= 20000) answers.known.clear();
  answers.known.emplace(key, choice);
  return choice;
}

}  // namespace

bool AddFontFile(const std::string& path) {
  Answers& answers = TheAnswers();
  std::lock_guard lock(answers.mutex);
  if (!fontsource::Add(path)) return false;
  answers.known.clear();
  return true;
}

std::optional<FontChoice> FindFace(const std::string& family, bool bold, bool italic) {
  return Answer(family, bold, italic, 0);
}

std::optional<FontChoice> FindFaceFor(const std::string& family, bool bold, bool italic,
                                      char32_t ch) {
  return Answer(family, bold, italic, ch);
}

}  // namespace pixmira
