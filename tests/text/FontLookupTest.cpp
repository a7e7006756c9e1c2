#include "text/FontLookup.h"

#include <gtest/gtest.h>

#include <string>

namespace pixmira {
namespace {

// Whether the path names that file, after either separator (Windows takes both).
bool NamesFile(const std::string& path, const std::string& name) {
  const std::size_t n = name.size();
  return path.size() > n && path.compare(path.size() - n, n, name) == 0 &&
         (path[path.size() - n - 1] == '/' || path[path.size() - n - 1] == '\\');
}

TEST(FontLookup, RealFacesWhereTheFamilyHasThemElseSynthesis) {
  struct Case {
    const char* family;
    bool bold, italic;
    const char* file;
    bool synthBold, synthItalic;
  } cases[] = {
      {"DejaVu Sans", false, false, "DejaVuSans.ttf", false, false},
      {"DejaVu Sans", true, false, "DejaVuSans-Bold.ttf", false, false},
      {"DejaVu Sans", true, true, "DejaVuSans-BoldOblique.ttf", false, false},
      {"WenQuanYi Zen Hei", false, false, "wqy-zenhei.ttc", false, false},
      {"WenQuanYi Zen Hei", true, true, "wqy-zenhei.ttc", true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.family << " bold " << c.bold << " italic " << c.italic);
    const auto face = FindFace(c.family, c.bold, c.italic);
    ASSERT_TRUE(face);
    EXPECT_TRUE(NamesFile(face->file, c.file)) << face->file;
    EXPECT_EQ(face->synthesizeBold, c.synthBold);
    EXPECT_EQ(face->synthesizeItalic, c.synthItalic);
  }
  // No name: the system's sans-serif face; an unknown name still gives a face.
  EXPECT_TRUE(FindFace("", false, false));
  EXPECT_TRUE(FindFace("No Such Family 123", false, false));
}

TEST(FontLookup, FallbackFaceForACharacterTheFamilyLacks) {
  const auto face = FindFaceFor("DejaVu Sans", false, false, U'淘');
  ASSERT_TRUE(face);
  EXPECT_TRUE(NamesFile(face->file, "wqy-zenhei.ttc")) << face->file;
  EXPECT_FALSE(FindFaceFor("DejaVu Sans", false, false, 0xFFFF));  // a noncharacter
}

}  // namespace
}  // namespace pixmira
