#include "text/FontFaces.h"

#include <gtest/gtest.h>

#include <string>

#include "core/Platform.h"
#include "support/TestSupport.h"

namespace pixmira {
namespace {

const std::string kDejaVu = "/usr/share/fonts/truetype/dejavu/";
const std::string kZenHei = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc";

TEST(FontFaces, EveryFaceOfACollectionByEachFamilyItStates) {
  FontFaces faces;
  ASSERT_TRUE(faces.AddFile(kZenHei));
  ASSERT_GE(faces.Faces().size(), 2u);
  // Names are matched in any case, and Chinese names come from the UTF-16 name records.
  for (const char* family : {"WenQuanYi Zen Hei", "wenquanyi zen hei", "文泉驿正黑"}) {
    SCOPED_TRACE(family);
    const ListedFace* face = faces.Named(family, false, false);
    ASSERT_TRUE(face);
    EXPECT_EQ(face->where.index, 0);
  }
  const ListedFace* mono = faces.Named("WenQuanYi Zen Hei Mono", false, false);
  ASSERT_TRUE(mono);
  EXPECT_NE(mono->where.index, 0);
  EXPECT_FALSE(faces.Named("DejaVu Sans", false, false));
}

TEST(FontFaces, ClosestWeightAndSlantElseSynthesis) {
  FontFaces all;
  for (const char* file : {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf", "DejaVuSans-Oblique.ttf",
                           "DejaVuSans-BoldOblique.ttf"}) {
    ASSERT_TRUE(all.AddFile(kDejaVu + file)) << file;
  }
  FontFaces plain;
  ASSERT_TRUE(plain.AddFile(kDejaVu + "DejaVuSans.ttf"));
  struct Case {
    FontFaces* faces;
    bool bold, italic;
    const char* file;
    bool synthBold, synthItalic;
  } cases[] = {
      {&all, false, false, "DejaVuSans.ttf", false, false},
      {&all, true, false, "DejaVuSans-Bold.ttf", false, false},
      {&all, false, true, "DejaVuSans-Oblique.ttf", false, false},
      {&all, true, true, "DejaVuSans-BoldOblique.ttf", false, false},
      {&plain, true, true, "DejaVuSans.ttf", true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.file << " bold " << c.bold << " italic " << c.italic);
    const ListedFace* face = c.faces->Named("DejaVu Sans", c.bold, c.italic);
    ASSERT_TRUE(face);
    const FontChoice choice = FontFaces::Choice(*face, c.bold, c.italic);
    EXPECT_EQ(choice.file, kDejaVu + c.file);
    EXPECT_EQ(choice.synthesizeBold, c.synthBold);
    EXPECT_EQ(choice.synthesizeItalic, c.synthItalic);
  }
}

TEST(FontFaces, FilesThatAreNoFontsAreRefusedAndListNothing) {
  test::TempDir dir;
  test::WriteFile(dir.File("empty.ttf"), "");
  test::WriteFile(dir.File("text.ttf"), "not a font at all, only some words\n");
  FontFaces faces;
  for (const std::string& file : {dir.File("empty.ttf"), dir.File("text.ttf"),
                                  dir.File("missing.ttf"), platform::FromPath(dir.Path())}) {
    SCOPED_TRACE(file);
    EXPECT_FALSE(faces.AddFile(file));
  }
  EXPECT_TRUE(faces.Faces().empty());
}

// Windows opens fonts by their UTF-8 names through the wide API; narrow names would fail.
TEST(FontFaces, FontUnderAChineseNameOpensAndCoversItsCharacters) {
  test::TempDir dir;
  const std::string folder = dir.File("字体 目录");
  std::filesystem::create_directory(platform::ToPath(folder));
  const std::string file = folder + "/黑体.ttf";
  test::WriteFile(file, test::ReadFile(kDejaVu + "DejaVuSans.ttf"));
  FontFaces faces;
  ASSERT_TRUE(faces.AddFile(file));
  const ListedFace* face = faces.Named("DejaVu Sans", false, false);
  ASSERT_TRUE(face);
  EXPECT_EQ(face->where.file, file);
  EXPECT_TRUE(faces.Covers(*face, U'A'));
  EXPECT_FALSE(faces.Covers(*face, U'淘'));
  ASSERT_TRUE(faces.AddFile(kZenHei));
  EXPECT_TRUE(faces.Covers(*faces.Named("WenQuanYi Zen Hei", false, false), U'淘'));
}

}  // namespace
}  // namespace pixmira
