#pragma once
// Every sentence the command prints, in Chinese and in English, in one table.
#include <initializer_list>
#include <string>

#include "core/Language.h"
#include "output/Export.h"

namespace pixmira {

enum class TMsg {
  Usage,  // {1}: the folder scan's patterns, joined by Then
  Then,
  NeedsValue,     // {1}: option
  BadJobs,        // {1}: text given
  BadAngle,       // {1}: text given
  UnknownOption,  // {1}: option
  OutOrGif,
  NoPaths,
  SeeHelp,
  NoPictures,
  BadOutputFolder,  // {1}: folder
  BadOutputReason,  // {1}: folder, {2}: the system's reason
  Exporting,        // {1}: number, {2}: total
  Remaining,        // {1}: m:ss
  Skipped,          // {1}: path
  ExportFailed,     // {1}: path, {2}: reason sentence, {3}: detail
  AllDone,          // {1}: total
  SomeDone,         // {1}: handled
  ReasonFile,
  ReasonFrame,
  ReasonSetting,
  ReasonPicture,
  ReasonMemory,
  ReasonOther,
};

// The message in the language, "{1}", "{2}", ... replaced by the arguments.
std::string Say(TLanguage language, TMsg message, std::initializer_list<std::string> args = {});

TMsg ReasonMessage(TFailReason reason);

}  // namespace pixmira
