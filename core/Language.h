#pragma once
// Which language the window and the command speak. Chinese everywhere, except where the
// user's locale is English.
namespace pixmira {

enum class TLanguage { Chinese, English };

// The first of LANGUAGE (its first entry), LC_ALL, LC_MESSAGES and LANG that is set and not
// empty decides: English when it starts with "en", Chinese otherwise and when none is set.
TLanguage UserLanguage();

}  // namespace pixmira
