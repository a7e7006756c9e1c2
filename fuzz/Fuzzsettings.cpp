// The settings parser: any text, then reads, writes and the text written back.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/Errors.h"
#include "core/MemIniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pixmira;
  try {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    TMemIniFile ini = TMemIniFile::FromText(text);
    for (const std::string& section : ini.ReadSections()) {
      ini.ReadString(section, "Width", "");
      ini.ReadInteger(section, "ReduceSizeWidth", 310);
      ini.ReadBool(section, "Watermark", false);
    }
    ini.WriteString("General", "Key", text.substr(0, 16));
    ini.WriteInteger("general", "Count", int(size));
    // What is written reads back the same.
    const TMemIniFile again = TMemIniFile::FromText(ini.ToText());
    if (again.ReadInteger("General", "Count", -1) != int(size)) __builtin_trap();
  } catch (const Exception&) {
  }
  return 0;
}
