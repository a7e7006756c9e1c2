#pragma once
// The window's sentences for what the library reports as data: failed writes and exports.
#include <QString>
#include <string>

#include "output/Export.h"

namespace pixmira {

// "无法写入 X：没有写入权限" and its kin, by the errno of the failure.
QString WriteErrorText(const QString& path, int error);

// What stopped an export, in the window's words.
QString ExportErrorText(const TExportResult& result);

}  // namespace pixmira
